"""The identity manager's objects: a user role with two policies created, read back in
order, a policy removed and the role deleted; identities raised with switchctl found by
identity queries, a page at a time."""
import subprocess
import time

import lxml.etree as etree

from checks import attempt


IDMGR_NS = 'urn:wsvd/XMLSchema/qtn/idmgr'


def texts(answer, field):
    """The texts of every `field` element of each answered object, in order."""
    found = answer if etree.iselement(answer) else getattr(answer, '_value_1', None)
    if isinstance(found, list):
        found = next((e for e in found if etree.iselement(e)), None)
    if found is None:
        return []
    return [[e.text or '' for e in o.iter() if etree.QName(e).localname == field]
            for o in found if etree.QName(o).localname == 'object']


def run(switch, client, c):
    service = client.service
    UserRole = client.get_type('{%s}UserRole' % IDMGR_NS)
    UserIdentityData = client.get_type('{%s}UserIdentityData' % IDMGR_NS)
    admin = {'hdr': {'sessionId': service.openSession(
        session={'username': 'admin', 'password': ''}).sessionId}}

    def role(**fields):
        return UserRole(objectType='UserRole', **fields)

    def policies(*entries):
        return {'policy': [{'policyName': name, 'order': order} for name, order in entries]}

    def role_policies(name):
        return texts(service.get(filter=role(roleName=name), _soapheaders=admin), 'policyName')

    def succeeded(v):
        return not str(v).startswith(('fault', 'error'))

    c.check('a role with two policies is created',
            attempt(lambda: service.create(
                filter=role(roleName='staff', priority=5,
                            policyInfo=policies(('web', 1), ('mail', 2))),
                _soapheaders=admin)), succeeded)
    c.check('its policies are read back in order', attempt(lambda: role_policies('staff')),
            [['web', 'mail']])
    c.check('a policy is removed',
            attempt(lambda: service.delete(filter=role(roleName='staff',
                                                       policyInfo=policies(('web', 1))),
                                           _soapheaders=admin)), succeeded)
    c.check('the other one stays', attempt(lambda: role_policies('staff')), [['mail']])
    c.check('the role is deleted',
            attempt(lambda: service.delete(filter=role(roleName='staff'), _soapheaders=admin)),
            succeeded)
    c.check('and is gone', attempt(lambda: role_policies('staff')), [])

    # Identities seen on ports, raised from outside as the ports' traffic would.
    for user, mac, port in (('alice', '00:00:00:00:00:0a', '1:3'),
                            ('bob', '00:00:00:00:00:0b', '1:4'),
                            ('bob', '00:00:00:00:00:0c', '1:5')):
        raised = subprocess.run([switch.tool('switchctl'), 'identity', 'add', user, mac,
                                 port], env=switch.env, capture_output=True, text=True, timeout=30)
        c.check('switchctl identity add %s %s' % (user, port), raised.returncode, 0)
    c.check('a MAC address that is none is refused',
            subprocess.run([switch.tool('switchctl'), 'identity', 'add', 'eve', 'xx',
                            '1:6'], env=switch.env, capture_output=True, timeout=30).returncode,
            1)

    def identities(page_size, **fields):
        answer = service.get(filter=UserIdentityData(objectType='UserIdentityData', **fields),
                             maxSize=page_size, _soapheaders=admin)
        return [(names[0], ports) for names, ports in zip(texts(answer, 'userName'),
                                                          texts(answer, 'port'))]

    # Identities are learnt asynchronously: the query is repeated until they are there.
    def settled(call, want, tries=50):
        value = attempt(call)
        for _ in range(tries):
            if value == want:
                break
            time.sleep(0.1)
            value = attempt(call)
        return value

    c.check('one identity a query, without paging',
            settled(lambda: identities(0, datasetType='active'), [('alice', ['1:3'])]),
            [('alice', ['1:3'])])
    c.check('every identity with paging, each with every location',
            attempt(lambda: identities(10, datasetType='active')),
            [('alice', ['1:3']), ('bob', ['1:4', '1:5'])])
    c.check('an identity by its user',
            attempt(lambda: identities(0, datasetType='active', userName='bob')),
            [('bob', ['1:4', '1:5'])])
