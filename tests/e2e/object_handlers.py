"""The object handlers (ports, VLANs, SNMP access, sessions, the switch's save) through
the generic interface, cross-checked with the CLI and platformd's sessions."""
import os

from checks import attempt, objects


def succeeded(value):
    return not str(value).startswith(('fault', 'error'))


def row_of(table, first):
    """The words of the line of a CLI table whose first word is `first`."""
    for line in table.splitlines():
        words = line.split()
        if words and words[0] == first:
            return words
    return None


def run(switch, client, c):
    service = client.service
    admin = {'hdr': {'sessionId': service.openSession(
        session={'username': 'admin', 'password': ''}).sessionId}}

    def typed(category, kind, **fields):
        return client.get_type('{urn:wsvd/XMLSchema/qtn/%s}%s' % (category, kind))(
            objectType=kind, **fields)

    def get(category, kind, **fields):
        return objects(service.get(filter=typed(category, kind, **fields), _soapheaders=admin))

    def change(operation, category, kind, **fields):
        return getattr(service, operation)(filter=typed(category, kind, **fields),
                                           _soapheaders=admin)

    def cli(command):
        return service.execCli(command=command, _soapheaders=admin)

    def cli_field(command, label):
        """The value after "label:" in a CLI listing."""
        for line in cli(command).splitlines():
            if line.startswith(label + ':'):
                return line.split(':', 1)[1].strip()
        return None

    # VLAN ports: set through VlanConfig, seen by the CLI and read back.
    for name in ('pv1', 'mem1', 'mem2'):
        service.createVlan(name=name, vr='VR-Default', _soapheaders=admin)
    c.check('VlanConfig set of tagged and untagged ports',
            attempt(lambda: change('set', 'vlan', 'VlanConfig', name='mem1',
                                   vlanTaggedPorts='1:5,1:6', vlanUnTaggedPorts='1:7')),
            succeeded)
    c.check('VlanConfig reads them back',
            attempt(lambda: [(o['vlanTaggedPorts'], o['vlanUnTaggedPorts'], o['totalNumberOfPorts'])
                             for o in get('vlan', 'VlanConfig', name='mem1')]),
            [('1:5-6', '1:7', '3')])
    c.check('show vlan mem1 lists the tagged ports',
            attempt(lambda: cli_field('show vlan mem1', 'Tagged ports')), '1:5-6')
    c.check('show vlan mem1 lists the untagged port',
            attempt(lambda: cli_field('show vlan mem1', 'Untagged ports')), '1:7')
    c.check('show ports: 1:7 left Default for mem1',
            attempt(lambda: row_of(cli('show ports'), '1:7')), ['1:7', 'mem1'])
    c.check('a VLAN created with its tagged ports',
            attempt(lambda: change('create', 'vlan', 'VlanConfig', name='c2',
                                   vrName='VR-Default', vlanTaggedPorts='1:9')), succeeded)
    c.check('show vlan c2 lists them', attempt(lambda: cli_field('show vlan c2', 'Tagged ports')),
            '1:9')
    c.check('ports of a VLAN that does not exist are refused',
            attempt(lambda: change('set', 'vlan', 'VlanConfig', name='nosuch',
                                   vlanTaggedPorts='1:10')),
            lambda v: str(v).startswith('fault: '))

    # Private-VLAN members: made through switch:create, read back; a member that cannot
    # join leaves the store as it was.
    c.check('PrivateVlanMemberConfig create',
            attempt(lambda: change('create', 'vlan', 'PrivateVlanMemberConfig', vlanName='mem1',
                                   pvlanName='pv1', type='subscriber')), succeeded)
    c.check('PrivateVlanMemberConfig get',
            attempt(lambda: [(o['vlanName'], o['pvlanName'], o['type'])
                             for o in get('vlan', 'PrivateVlanMemberConfig', vlanName='mem1')]),
            [('mem1', 'pv1', 'subscriber')])
    c.check('a member of a private VLAN that does not exist',
            attempt(lambda: change('create', 'vlan', 'PrivateVlanMemberConfig', vlanName='mem2',
                                   pvlanName='nosuch', type='network')),
            'fault: VLAN "nosuch" does not exist.')
    c.check('a member VLAN that does not exist',
            attempt(lambda: change('create', 'vlan', 'PrivateVlanMemberConfig', vlanName='nosuch',
                                   pvlanName='pv1', type='network')),
            'fault: VLAN "nosuch" does not exist.')
    c.check('and the members are as they were',
            attempt(lambda: sorted((o['vlanName'], o['pvlanName'])
                                   for o in get('vlan', 'PrivateVlanMemberConfig'))),
            [('mem1', 'pv1')])
    c.check('PrivateVlanMemberConfig delete',
            attempt(lambda: change('delete', 'vlan', 'PrivateVlanMemberConfig', vlanName='mem1',
                                   pvlanName='pv1', type='subscriber')), succeeded)
    c.check('no members left', attempt(lambda: get('vlan', 'PrivateVlanMemberConfig')), [])
    c.check('the VLANs stay', attempt(lambda: [v in cli('show vlan').split()
                                                for v in ('pv1', 'mem1')]), [True, True])

    # Ports: a port's VLANs agree with show ports; a set is read back.
    port = attempt(lambda: get('port', 'PortConfig', portList='1:5'))
    c.check('PortConfig of 1:5 answers', port, lambda v: isinstance(v, list) and len(v) == 1)
    c.check('its VLANs are those of show ports',
            attempt(lambda: sorted(port[0]['vlans'].split(','))),
            sorted(','.join(row_of(cli('show ports'), '1:5')[1:]).split(',')))
    def active_in_default():
        return [int(o['activePorts']) for o in get('vlan', 'VlanConfig', name='Default')]

    active = attempt(active_in_default)
    c.check('PortConfig set', attempt(lambda: change('set', 'port', 'PortConfig', portList='1:3',
                                                     adminState='Disabled',
                                                     descriptionString='to the lab')), succeeded)
    c.check('PortConfig reads it back',
            attempt(lambda: [(o['adminState'], o['descriptionString'], o['linkState'])
                             for o in get('port', 'PortConfig', portList='1:3')]),
            lambda v: isinstance(v, list) and len(v) == 1 and v[0][:2] == ('Disabled', 'to the lab')
            and v[0][2] != 'Active')
    c.check('the disabled port is no longer active in its VLAN',
            attempt(active_in_default), lambda v: isinstance(active, list) and v == [active[0] - 1])
    utilization = attempt(lambda: get('port', 'PortUtilizationStats', portList='1:5'))
    c.check('utilisation of 1:5 within bounds', utilization,
            lambda v: isinstance(v, list) and len(v) == 1 and
            all(0 <= float(v[0][f]) <= 100 for f in ('receiveBWPercent', 'transmitBWPercent')))

    # SNMP access: the switch has no SSH server; telnet is set and read back.
    access = attempt(lambda: get('snmp', 'GeneralConfig'))
    c.check('GeneralConfig: SSH is not installed',
            attempt(lambda: access[0]['sshAccess']), 'notInstalled')
    c.check('GeneralConfig: telnet is enabled', attempt(lambda: access[0]['telnetAccess']),
            'enabled')
    c.check('telnet disabled',
            attempt(lambda: change('set', 'snmp', 'GeneralConfig', telnetAccess='disabled')),
            succeeded)
    c.check('and read back',
            attempt(lambda: [o['telnetAccess'] for o in get('snmp', 'GeneralConfig')]),
            ['disabled'])

    # Sessions are platformd's: one opened over SOAP is listed, one ended through the
    # object is ended. (The scenarios before this one hold admin sessions too.)
    other = {'hdr': {'sessionId': service.openSession(
        session={'username': 'user', 'password': ''}).sessionId}}
    listed = attempt(lambda: get('aaa', 'Session'))
    c.check('Session lists both users', attempt(lambda: sorted({o['userName'] for o in listed})),
            ['admin', 'user'])
    c.check('of the management API, from this machine',
            attempt(lambda: {(o['sessionType'], o['clientIpAddress']) for o in listed}),
            {('xml', '127.0.0.1')})
    users = attempt(lambda: [o['Id'] for o in listed if o['userName'] == 'user'])
    c.check('the user session ended through the object',
            attempt(lambda: change('delete', 'aaa', 'Session', Id=int(users[0]))), None)
    c.check('is no longer listed',
            attempt(lambda: 'user' in [o['userName'] for o in get('aaa', 'Session')]), False)
    c.check('and its holder is refused',
            attempt(lambda: service.get(filter=typed('aaa', 'Session'), _soapheaders=other)),
            'fault: Invalid session id')
    c.check('a session that does not exist',
            attempt(lambda: change('delete', 'aaa', 'Session', Id=99999)),
            'fault: Session 99999 does not exist.')

    # The switch's save writes the running configuration.
    saved = os.path.join(switch.config_dir, 'cfgmgr.cfg')
    c.check('the VLAN made above is not saved yet',
            attempt(lambda: not os.path.exists(saved) or 'c2' not in open(saved).read()), True)
    c.check('SwitchInfo save', attempt(lambda: change('set', 'system', 'SwitchInfo',
                                                      saveConfig='yes')), succeeded)
    c.check('the saved configuration holds the VLAN made above',
            attempt(lambda: 'c2' in open(saved).read()),
            True)
