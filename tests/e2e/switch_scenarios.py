"""The whole switch driven through zeep over HTTP, started once for all the scenarios:
each module below runs one area (run(switch, client, checks)) and cross-checks it with
the CLI, switchctl or the typed services. Prints one line per check and fails on any
wrong result, a scenario that breaks off, a switch that does not stop, or a sanitizer
report in its log.

usage: switch_scenarios.py BIN_DIR SOURCE_DIR BUILD_DATA_DIR
"""
import sys

import zeep

import acl_policy
import generic_objects
import idmgr_objects
import object_handlers
import upm_profiles
from checks import Checks
from switch_tree import Switch

# The profiles' execution results carry times: a fixed zone keeps them comparable.
switch = Switch(*sys.argv[1:4], env={'TZ': 'UTC'})
c = Checks()
try:
    client = zeep.Client(switch.start().endpoint + '?wsdl')
    # A saved policy goes to the CLI process for a check: it must be there to answer.
    if not switch.wait_for_log('cli: connected to wsvd'):
        raise RuntimeError('the CLI process did not connect to wsvd within 30 s')
    for scenario in (acl_policy, upm_profiles, idmgr_objects, generic_objects, object_handlers):
        print('--', scenario.__name__, flush=True)
        try:
            scenario.run(switch, client, c)
        except Exception as e:  # any unexpected error is a failure with its text
            c.failures.append('%s: unexpected %s: %s' % (scenario.__name__, type(e).__name__, e))
except Exception as e:
    c.failures.append('unexpected %s: %s' % (type(e).__name__, e))
finally:
    c.failures += switch.stop()
    if c.failures:
        print(getattr(switch, 'last_log', '')[-4000:])

for f in c.failures:
    print('FAIL', f)
print('%d passed, %d failed' % (c.passed, len(c.failures)))
sys.exit(1 if c.failures else 0)
