"""Dynamic ACLs and policies through HTTP with a client built from the WSDL (zeep).

Sets a dynamic ACL, applies it to a VLAN, lists the VLAN's rules and reads the rule back
field for field; saves a policy of an ACL rule and a Tripwatch rule, reads it back equal,
refreshes and deletes it. Prints one line per step and fails on the first difference.

usage: acl_policy.py BIN_DIR SOURCE_DIR BUILD_DATA_DIR
"""
import os
import sys

import zeep
from zeep.helpers import serialize_object

from switch_tree import Switch

bin_dir, source_dir, build_data = sys.argv[1:4]

RULE = {
    'name': 'web&mail',  # the '&' must reach cfgmgr as text
    'applicationName': 'e2e',
    'isPersistent': True,
    'match': {'srcIpAddress': '10.0.0.0/8', 'protocol': 'tcp', 'dstPort': '80',
              'firstFragments': True, 'ports': '1:1-4'},
    'response': {'count': 'hits', 'deny': True, 'qosProfile': 'QP3', 'log': True,
                 'mirror': 'm1'},
}

TRIPWATCH = {
    'name': 'surge',
    'match': {'type': 'MATCH_ANY', 'period': 30, 'comparison': [
        {'type': 'COUNT', 'comparator': 'GREATER_EQUAL', 'counter1': 'hits', 'threshold': 100,
         'hysteresis': 5},
        {'type': 'RATIO', 'comparator': 'LESS_THAN', 'counter1': 'a', 'counter2': 'b',
         'threshold': 3, 'minValue': 10}]},
    'positiveResponse': [{'syslog': {'message': 'surge; look', 'level': 'WARN', 'period': 60}},
                         {'cli': 'show fdb'},
                         {'mirror': {'add': True, 'aclRule': 'mailrule'}}],
    'negativeResponse': [{'snmptrap': {'id': 7, 'message': 'calm', 'period': 5}},
                         {'permit': 'mailrule'}],
}


def plain(value):
    """A zeep value as plain data, without the fields that were left out."""
    if isinstance(value, list):
        return [plain(v) for v in value]
    if isinstance(value, dict):
        return {k: plain(v) for k, v in value.items() if v is not None and v != []}
    return value


def check(step, got, want):
    if got != want:
        raise AssertionError('%s:\n  got  %s\n  want %s' % (step, got, want))
    print('ok', step, flush=True)


def session_steps(service):
    sid = service.openSession(session={'username': 'admin', 'password': ''}).sessionId
    hdr = {'_soapheaders': {'hdr': {'sessionId': sid}}}

    service.setDynamicAcl(rule=RULE, **hdr)
    service.insertDynamicAclOnInterface(vlan='Default', newRule=RULE['name'], direction='LAST',
                                        priority=0, **hdr)
    names = serialize_object(service.listDynamicAclOnInterface(vlan='Default', **hdr))
    check('listDynamicAclOnInterface', names, [RULE['name']])
    check('listDynamicAcl', serialize_object(service.listDynamicAcl(**hdr)), [RULE['name']])
    check('getDynamicAcl', plain(serialize_object(service.getDynamicAcl(name=RULE['name'], **hdr))),
          RULE)

    acl_rule = dict(RULE, name='mailrule', applicationName=None, isPersistent=None)
    service.savePolicy(name='p1', aclRules={'rule': [acl_rule]},
                       tripwatchRules={'rule': [TRIPWATCH]}, **hdr)
    policy = plain(serialize_object(service.getPolicy(name='p1', **hdr)))
    # A rule read from a policy has no application name (an empty one) and no persistence.
    check('getPolicy', policy, {'name': 'p1', 'aclRules': {'rule': [plain(acl_rule)]},
                                'tripwatchRules': {'rule': [TRIPWATCH]}})
    check('listPolicy', serialize_object(service.listPolicy(**hdr)), ['p1'])
    service.bindPolicyOnInterface(name='p1', vlan='Default', **hdr)
    check('listPolicyOnInterface', service.listPolicyOnInterface(vlan='Default', **hdr), 'p1')
    service.unbindPolicyOnInterface(name='p1', vlan='Default', **hdr)
    service.refreshPolicy(name='p1', **hdr)
    service.deletePolicy(name='p1', **hdr)
    try:
        service.getPolicy(name='p1', **hdr)
        raise AssertionError('getPolicy of a deleted policy succeeded')
    except zeep.exceptions.Fault as f:
        check('getPolicy after deletePolicy', f.message, 'Policy "p1" does not exist.')
    service.removeDynamicAclOnAllInterfaces(rule=RULE['name'], **hdr)
    service.deleteDynamicAcl(name=RULE['name'], **hdr)
    check('listDynamicAcl at the end', serialize_object(service.listDynamicAcl(**hdr)) or [], [])
    service.closeSession(sessionId=sid)


switch = Switch(bin_dir, source_dir, build_data)
failures = []
try:
    client = zeep.Client(switch.start().endpoint + '?wsdl')
    # The saved policy goes to the CLI process for a check: it must be there to answer.
    if not switch.wait_for_log('cli: connected to wsvd'):
        raise RuntimeError('the CLI process did not connect to wsvd within 30 s')
    session_steps(client.service)
except Exception as e:  # any unexpected error is a failure with its text
    failures.append('%s: %s' % (type(e).__name__, e))
finally:
    failures += switch.stop()
    if failures:
        print(getattr(switch, 'last_log', '')[-4000:])
for f in failures:
    print('FAIL', f)
sys.exit(1 if failures else 0)
