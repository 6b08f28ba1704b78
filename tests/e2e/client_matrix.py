"""Five SOAP stacks that no one here wrote run one session against the whole switch.

Starts platformd (with cfgmgr, wsvd, cli and webd) on a temporary tree and a free port,
checks that the served WSDL is the built one with the switch's address, and runs each
client of clients/ with the endpoint, a VLAN name and a MAC address of its own. A
client reports every step as one line "STEP<TAB>VALUE" (VALUE is "error: ..." when the
call failed); this script judges the values, prints a step x client table and fails on
any wrong or missing result. A client that cannot start (its package is missing) fails
every step: the matrix never skips one.

usage: client_matrix.py BIN_DIR SOURCE_DIR BUILD_DATA_DIR
"""
import os
import re
import subprocess
import sys
import time

from switch_tree import Switch, fetch

bin_dir, source_dir, build_data = sys.argv[1:4]
clients_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'clients')

# name, binding, program; the endpoint, the VLAN name and the MAC address follow.
CLIENTS = [
    ('zeep', 'SOAP 1.1', [sys.executable, os.path.join(clients_dir, 'zeep_client.py')]),
    ('node soap', 'SOAP 1.1', ['node', os.path.join(clients_dir, 'node_client.js')]),
    ('PHP SoapClient', 'SOAP 1.2', ['php', os.path.join(clients_dir, 'php_client.php')]),
    ('Perl SOAP::Lite', 'SOAP 1.1', ['perl', os.path.join(clients_dir, 'perl_client.pl')]),
    ('gSOAP', 'SOAP 1.2', [os.path.join(bin_dir, 'gsoap_matrix_client')]),
]
CLIENT_SECONDS = 60


def steps(name, mac):
    """The steps every client runs, in order, with the test of the value it reports."""
    done = lambda v: v == 'done'
    return [
        ('wsdl', lambda v: v == 'loaded'),
        ('openSession', lambda v: re.fullmatch('[0-9a-f]{14}', v) is not None),
        ('createVlan', done),
        ('getVlan', lambda v: v == name),
        ('getAllVlan', lambda v: {name, 'Default'} <= set(v.split(','))),
        ('createFdb', done),
        ('getAllFdb', lambda v: mac in v.lower().split(',')),
        ('execCli', lambda v: name in v.split()),
        ('saveConfig', done),
        ('duplicateVlan', lambda v: v == 'fault: vlan "VR-Default"/"%s" already exists.' % name),
        ('readOnlyUser', lambda v: v == 'fault: No write permission'),
        ('closeSession', done),
    ]


def served_wsdl_problem(endpoint):
    """What differs between the served WSDL and the built one, apart from the address."""
    served = fetch(endpoint + '?wsdl')
    with open(os.path.join(build_data, 'wsdl', 'wsvd.wsdl')) as f:
        built = f.read()
    addresses = re.findall(r'address location="([^"]*)"', served)
    if addresses != [endpoint, endpoint]:
        return 'addresses %s' % addresses
    unaddressed = lambda text: re.sub(r'(address location=")[^"]*"', r'\1"', text)
    if unaddressed(served) != unaddressed(built):
        return 'the served WSDL is not the built one'
    return None


def run_client(program, endpoint, name, mac):
    """The values a client reported by step, and the last error line it wrote."""
    try:
        p = subprocess.run(program + [endpoint, name, mac], capture_output=True, text=True,
                           timeout=CLIENT_SECONDS, stdin=subprocess.DEVNULL)
        out, err = p.stdout, p.stderr
    except FileNotFoundError as e:
        return {}, 'cannot start: %s' % e
    except subprocess.TimeoutExpired as e:
        out, err = (e.stdout or b'').decode(), 'no end after %d s' % CLIENT_SECONDS
    reported = {}
    for line in out.splitlines():
        step, _, value = line.partition('\t')
        reported.setdefault(step, value)
    lines = err.strip().splitlines() or ['']
    errors = [line for line in lines if re.search(r'error|cannot|can\'t', line, re.I)]
    return reported, (errors or lines)[-1].strip()


switch = Switch(bin_dir, source_dir, build_data)
failures = []
passed = 0
try:
    endpoint = switch.start().endpoint
    problem = served_wsdl_problem(endpoint)
    if problem:
        failures.append('served WSDL: ' + problem)
    else:
        passed += 1

    cells = {}
    for index, (client, _, program) in enumerate(CLIENTS):
        name, mac = 'm%d' % index, '00:0a:00:00:00:%02x' % (index + 1)
        started = time.monotonic()
        reported, last_error = run_client(program, endpoint, name, mac)
        seconds = time.monotonic() - started
        for step, good in steps(name, mac):
            value = reported.get(step)
            if value is not None and good(value):
                passed += 1
                cells[client, step] = 'ok'
            else:
                cells[client, step] = 'FAIL'
                failures.append('%s %s: %s' % (client, step, value if value is not None
                                                else 'no result (%s)' % last_error))
        cells[client, 'seconds'] = '%.1f' % seconds

    width = max(len(c[0]) for c in CLIENTS) + 2
    print('%-15s' % 'step' + ''.join('%-*s' % (width, c[0]) for c in CLIENTS))
    print('%-15s' % 'binding' + ''.join('%-*s' % (width, c[1]) for c in CLIENTS))
    for step, _ in steps('', '') + [('seconds', None)]:
        print('%-15s' % step + ''.join('%-*s' % (width, cells[c[0], step]) for c in CLIENTS))
except Exception as e:  # any unexpected error is a failure with its text
    failures.append('unexpected %s: %s' % (type(e).__name__, e))
finally:
    failures += switch.stop()
    if failures:
        print(getattr(switch, 'last_log', '')[-4000:])

for f in failures:
    print('FAIL', f)
print('%d passed, %d failed' % (passed, len(failures)))
sys.exit(1 if failures else 0)
