"""Dynamic ACLs and policies: a dynamic ACL set, applied to a VLAN, listed and read back
field for field; a policy of an ACL rule and a Tripwatch rule saved (checked by the CLI
process), read back equal, bound, refreshed and deleted."""
import zeep
from zeep.helpers import serialize_object


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


def run(switch, client, c):
    service = client.service
    sid = service.openSession(session={'username': 'admin', 'password': ''}).sessionId
    hdr = {'_soapheaders': {'hdr': {'sessionId': sid}}}

    service.setDynamicAcl(rule=RULE, **hdr)
    service.insertDynamicAclOnInterface(vlan='Default', newRule=RULE['name'], direction='LAST',
                                        priority=0, **hdr)
    names = serialize_object(service.listDynamicAclOnInterface(vlan='Default', **hdr))
    c.check('listDynamicAclOnInterface', names, [RULE['name']])
    c.check('listDynamicAcl', serialize_object(service.listDynamicAcl(**hdr)), [RULE['name']])
    c.check('getDynamicAcl', plain(serialize_object(service.getDynamicAcl(name=RULE['name'], **hdr))),
          RULE)

    acl_rule = dict(RULE, name='mailrule', applicationName=None, isPersistent=None)
    service.savePolicy(name='p1', aclRules={'rule': [acl_rule]},
                       tripwatchRules={'rule': [TRIPWATCH]}, **hdr)
    policy = plain(serialize_object(service.getPolicy(name='p1', **hdr)))
    # A rule read from a policy has no application name (an empty one) and no persistence.
    c.check('getPolicy', policy, {'name': 'p1', 'aclRules': {'rule': [plain(acl_rule)]},
                                'tripwatchRules': {'rule': [TRIPWATCH]}})
    c.check('listPolicy', serialize_object(service.listPolicy(**hdr)), ['p1'])
    service.bindPolicyOnInterface(name='p1', vlan='Default', **hdr)
    c.check('listPolicyOnInterface', service.listPolicyOnInterface(vlan='Default', **hdr), 'p1')
    service.unbindPolicyOnInterface(name='p1', vlan='Default', **hdr)
    service.refreshPolicy(name='p1', **hdr)
    service.deletePolicy(name='p1', **hdr)
    try:
        service.getPolicy(name='p1', **hdr)
        c.check('getPolicy after deletePolicy', 'succeeded', 'a fault')
    except zeep.exceptions.Fault as f:
        c.check('getPolicy after deletePolicy', f.message, 'Policy "p1" does not exist.')
    service.removeDynamicAclOnAllInterfaces(rule=RULE['name'], **hdr)
    service.deleteDynamicAcl(name=RULE['name'], **hdr)
    c.check('listDynamicAcl at the end', serialize_object(service.listDynamicAcl(**hdr)) or [], [])
    service.closeSession(sessionId=sid)

