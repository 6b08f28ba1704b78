"""The generic object interface and NETCONF over cfgmgr's real store, cross-checked with
the typed VLAN service and the CLI."""
import re
import urllib.error
import urllib.request

from checks import attempt, objects


VLAN_NS = 'urn:wsvd/XMLSchema/qtn/vlan'
NETCONF_NS = 'urn:ietf:params:xml:ns:netconf:base:1.0'
XSI = 'http://www.w3.org/2001/XMLSchema-instance'


def post(endpoint, body, header=''):
    """A raw SOAP 1.1 request; the reply text, fault or not."""
    text = ('<S:Envelope xmlns:S="http://schemas.xmlsoap.org/soap/envelope/">'
            '<S:Header>%s</S:Header><S:Body>%s</S:Body></S:Envelope>' % (header, body))
    request = urllib.request.Request(endpoint, data=text.encode(),
                                     headers={'Content-Type': 'text/xml'})
    try:
        with urllib.request.urlopen(request, timeout=30) as reply:
            return reply.read().decode()
    except urllib.error.HTTPError as e:
        return e.read().decode()


def run(switch, client, c):
    endpoint = switch.endpoint
    service = client.service
    VlanConfig = client.get_type('{%s}VlanConfig' % VLAN_NS)

    def session(user):
        return service.openSession(session={'username': user, 'password': ''}).sessionId

    admin = {'hdr': {'sessionId': session('admin')}}

    def vlan(**fields):
        return VlanConfig(objectType='VlanConfig', **fields)

    def generic_get(**fields):
        return objects(service.get(filter=vlan(**fields), _soapheaders=admin))

    def typed_tag(name):
        entry = service.getVlan(name=name, vr='VR-Default', _soapheaders=admin)
        return None if entry is None else entry.tag

    def show_vlan():
        return service.execCli(command='show vlan', _soapheaders=admin).split()

    # Generic create, get, set and delete of a VLAN, seen by the typed service and the CLI.
    c.check('switch:create of g1',
            attempt(lambda: service.create(filter=vlan(name='g1', vrName='VR-Default',
                                                       tagValue=101), _soapheaders=admin)),
            lambda v: not str(v).startswith(('fault', 'error')))
    c.check('getVlan sees g1 with tag 101', attempt(lambda: typed_tag('g1')), 101)
    c.check('show vlan lists g1', attempt(lambda: 'g1' in show_vlan()), True)
    c.check('switch:get of g1', attempt(lambda: [(o['name'], o['vrName'], o['tagValue'])
                                                 for o in generic_get(name='g1')]),
            [('g1', 'VR-Default', '101')])
    c.check('switch:set of g1',
            attempt(lambda: service.set(filter=vlan(name='g1', tagValue=102),
                                        _soapheaders=admin)),
            lambda v: not str(v).startswith(('fault', 'error')))
    c.check('getVlan sees the new tag', attempt(lambda: typed_tag('g1')), 102)
    c.check('a tag over its limit is refused',
            attempt(lambda: service.set(filter=vlan(name='g1', tagValue=5000), _soapheaders=admin)),
            lambda v: str(v).startswith('fault: ') and 'tag' in str(v))
    c.check('and nothing changed', attempt(lambda: typed_tag('g1')), 102)
    c.check('createVlan t1', attempt(lambda: service.createVlan(name='t1', vr='VR-Default',
                                                                _soapheaders=admin)), None)
    c.check('switch:get sees t1', attempt(lambda: [o['name'] for o in generic_get(name='t1')]),
            ['t1'])
    c.check('switch:delete of g1',
            attempt(lambda: service.delete(filter=vlan(name='g1', vrName='VR-Default'),
                                           _soapheaders=admin)),
            lambda v: not str(v).startswith(('fault', 'error')))
    c.check('getVlan no longer finds g1', attempt(lambda: typed_tag('g1')), None)
    c.check('show vlan no longer lists g1', attempt(lambda: 'g1' in show_vlan()), False)
    c.check('switch:get of g1 answers nothing', attempt(lambda: generic_get(name='g1')), [])

    # Objects of plain mappings answer gets; writable ones keep what a set gives them.
    # (Objects have fields called "name": the object's own name is passed as "kind".)
    def typed_object(category, kind, **fields):
        return client.get_type('{urn:wsvd/XMLSchema/qtn/%s}%s' % (category, kind))(
            objectType=kind, **fields)

    def get_all(category, kind, **fields):
        return objects(service.get(filter=typed_object(category, kind, **fields),
                                   _soapheaders=admin))

    def change(operation, category, kind, **fields):
        return operation(filter=typed_object(category, kind, **fields), _soapheaders=admin)

    c.check('MacTrackingEntry create', attempt(lambda: change(
        service.create, 'fdb', 'MacTrackingEntry', macAddress='00:0a:00:00:00:99')), None)
    c.check('SnmpCommunityEntry create', attempt(lambda: change(
        service.create, 'snmp', 'SnmpCommunityEntry', snmpCommunityIndex='e2e',
        snmpCommunityName='e2e-community', snmpCommunitySecurityName='e2e')), None)
    c.check('EmsEvent create', attempt(lambda: change(
        service.create, 'ems', 'EmsEvent', name='e2e', component='vlan', severity='info')), None)
    # (PortConfig is left out: its index, a port list that cfgmgr keeps as slot and port,
    # needs a fill builder of its own to be written into a request.)
    for category, name in (('vlan', 'VirtualRouter'), ('system', 'SwitchInfo'), ('system', 'Fan'),
                           ('system', 'PowerSupply'), ('system', 'SlotInfo'),
                           ('snmp', 'GeneralConfig'), ('snmp', 'SnmpCommunityEntry'),
                           ('aaa', 'PasswordPolicy'), ('fdb', 'MacTrackingEntry'),
                           ('ems', 'EmsEvent'), ('ipfix', 'IpfixGlobalData')):
        found = attempt(lambda: get_all(category, name))
        c.check('%s answers objects with values' % name, found,
                lambda v: isinstance(v, list) and v and all(any(o.values()) for o in v))
    for category, name, field, value in (('aaa', 'PasswordPolicy', 'length', '12'),
                                         ('snmp', 'GeneralConfig', 'systemName', 'e2e-switch'),
                                         ('ipfix', 'IpfixGlobalData', 'domainID', '42')):
        c.check('%s set %s' % (name, field),
                attempt(lambda: change(service.set, category, name, **{field: value})), None)
        c.check('%s get %s' % (name, field),
                attempt(lambda: [o.get(field) for o in get_all(category, name)]), [value])

    # A walk over the VLANs of cfgmgr's store in pages of 10, against getAllVlan.
    for i in range(30):
        service.createVlan(name='w%03d' % i, vr='VR-Default', _soapheaders=admin)
    typed = [v.name for v in service.getAllVlan(_soapheaders=admin)]
    pages, last, walked = 0, None, []
    while pages < 20:
        fields = {'name': last} if last else {}
        page = objects(service.get(filter=vlan(**fields), action='next', maxSize=10,
                                   _soapheaders=admin))
        if not page:
            break
        pages += 1
        walked += [o['name'] for o in page]
        last = page[-1]['name']
    c.check('pages of at most 10 walk every VLAN getAllVlan lists', walked, typed)
    c.check('in pages', pages, (len(typed) + 9) // 10)

    # NETCONF get-config and edit-config, as raw SOAP with the session header.
    hdr = '<hdr><sessionId>%s</sessionId></hdr>' % admin['hdr']['sessionId']
    rpc = ('<nc:rpc xmlns:nc="%s" xmlns:xsi="%s" message-id="7">%%s</nc:rpc>'
           % (NETCONF_NS, XSI))
    edit = post(endpoint, rpc % ('<nc:edit-config><nc:target><nc:running/></nc:target>'
                                 '<nc:config><top><object xsi:type="vlan:VlanConfig">'
                                 '<name>t1</name><tagValue>777</tagValue></object></top>'
                                 '</nc:config></nc:edit-config>'), hdr)
    c.check('edit-config answers ok', re.search(r'rpc-reply[^>]*message-id="7"[^>]*><ok/>', edit)
            is not None, True)
    c.check('getVlan sees the edit', attempt(lambda: typed_tag('t1')), 777)
    get = post(endpoint, rpc % ('<nc:get-config><nc:source><nc:running/></nc:source>'
                                '<nc:filter xmlns="urn:example"><object xsi:type='
                                '"vlan:VlanConfig"><name>t1</name></object></nc:filter>'
                                '</nc:get-config>'), hdr)
    c.check('get-config answers t1 in data',
            re.search(r'<data xmlns="urn:example"><objects><object><name>t1</name>.*'
                      r'<tagValue>777</tagValue>', get) is not None, True)
