"""The whole switch driven through zeep over HTTP, started once for all the scenarios.
Each scenario makes a change through SOAP that another process must see: the CLI,
platformd's sessions, the saved configuration, a restarted cfgmgr and the switch after a
restart; and no operation changes anything for a caller without write access. The detail
of each operation is the business of the in-process tests. Prints one line per check
and fails on any wrong result, a scenario that breaks off, a switch that does not
stop, or a sanitizer report in its log.

usage: switch_scenarios.py BIN_DIR SOURCE_DIR BUILD_DATA_DIR
"""
import os
import sys
import time
import urllib.error
import urllib.request
from xml.sax.saxutils import escape

import lxml.etree as etree
import zeep

from switch_tree import Switch

failures, passed = [], 0


def check(what, value, good):
    global passed
    ok = good(value) if callable(good) else value == good
    print('%-4s %s: %s' % ('ok' if ok else 'FAIL', what, str(value)[:200]), flush=True)
    if ok:
        passed += 1
    else:
        failures.append('%s: %r' % (what, value))


def attempt(call):
    """The call's value, or "fault: TEXT", or "error: ..."."""
    try:
        return call()
    except zeep.exceptions.Fault as f:
        return 'fault: %s' % f.message
    except Exception as e:
        return 'error: %s: %s' % (type(e).__name__, e)


def succeeded(value):
    return not str(value).startswith(('fault', 'error'))


def settled(call, want, seconds=30):
    """The call's value once it is `want`, or its last value after `seconds`."""
    deadline = time.monotonic() + seconds
    while True:
        value = attempt(call)
        if value == want or time.monotonic() > deadline:
            return value
        time.sleep(0.2)


def objects(answer):
    """The objects of a generic get's answer as dicts of their fields' texts."""
    element = answer if etree.iselement(answer) else getattr(answer, '_value_1', None)
    if isinstance(element, list):
        element = next((e for e in element if etree.iselement(e)), None)
    return [{etree.QName(f).localname: (f.text or '') for f in o} for o in element
            if etree.QName(o).localname == 'object'] if element is not None else []


UPM = 'urn:wsvd/XMLSchema/qtn/upm'
NAMESPACES = ('xmlns:S="http://schemas.xmlsoap.org/soap/envelope/" xmlns:upm="%s" '
              'xmlns:netb="urn:ietf:params:xml:ns:netconf:base:1.0"' % UPM)


def vlan_object(element, fields):
    """A configuration object of the generic interface: a VLAN with these fields."""
    return ('<%s xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xmlns:vlan="urn:wsvd/'
            'XMLSchema/qtn/vlan" xsi:type="vlan:VlanConfig">%s</%s>' % (element, fields, element))


# Parameters that would change the configuration if the caller were allowed to, under the
# names the typed services use; each operation reads the ones it knows.
COMMON = ('<name>mx1</name><vr>VR-Default</vr><macAddress>00:11:22:33:44:55</macAddress>'
          '<vlan>Default</vlan><port>1:1</port><command>show vlan;create vlan mxcli</command>'
          '<config>%s</config><applicationName>mx</applicationName>' % escape(
              '<module_vlan><set><vlan><vrName>VR-Default</vrName><name>mxcfg</name>'
              '<rowStatus>create</rowStatus></vlan></set></module_vlan>'))
# The parameters of the operations whose requests hold structures (rules, policies,
# profiles, objects) or take a VLAN or a port but not both, in place of the common ones.
OWN = {
    'rpc': '<netb:edit-config><netb:target><netb:running/></netb:target><netb:config><top>%s'
           '</top></netb:config></netb:edit-config>'
           % vlan_object('object', '<name>mxkeep</name><tagValue>777</tagValue>'),
    'setRequest': vlan_object('filter', '<name>mxkeep</name><tagValue>778</tagValue>'),
    'createRequest': vlan_object('filter', '<vrName>VR-Default</vrName><name>mxgen</name>'),
    'deleteRequest': vlan_object('filter', '<vrName>VR-Default</vrName><name>mxgen</name>'),
    'setDynamicAcl': '<rule><name>mxacl</name><isPersistent>true</isPersistent></rule>',
    'insertDynamicAclOnInterface': '<port>1:1</port><newRule>mxacl</newRule><direction>LAST'
                                   '</direction><priority>0</priority>',
    'removeDynamicAclOnInterface': '<port>1:1</port><rule>mxacl</rule>',
    'removeDynamicAclOnAllInterfaces': '<rule>mxacl</rule>',
    'savePolicy': '<name>mxpol</name><aclRules><rule><name>mxrule</name></rule></aclRules>',
    'bindPolicyOnInterface': '<name>mxkeep</name><port>1:1</port>',
    'unbindPolicyOnInterface': '<name>mxkeep</name><port>1:1</port>',
    'deletePolicy': '<name>mxpol</name>',
    'createProfileRequest': '<upm:profile><upm:name>mxprof</upm:name><upm:data>show vlan'
                            '</upm:data></upm:profile>',
    'deleteProfileRequest': '<upm:profile>mxprof</upm:profile>',
    'editProfileRequest': '<upm:profile><upm:name>mxkeep</upm:name><upm:profileEnabled>false'
                          '</upm:profileEnabled></upm:profile>',
    'createTimerRequest': '<upm:timer><upm:timerName>mxtimer</upm:timerName><upm:every>3600'
                          '</upm:every></upm:timer>',
    'deleteTimerRequest': '<upm:timer>mxtimer</upm:timer>',
    'bindProfileRequest': '<upm:profileName>mxkeep</upm:profileName><upm:eventObject><upm:event>'
                          'timer</upm:event><upm:timerName>mxkeep</upm:timerName></upm:eventObject>',
    'unbindProfileRequest': '<upm:profileName>mxkeep</upm:profileName><upm:eventObject><upm:event>'
                            'timer</upm:event><upm:timerName>mxkeep</upm:timerName>'
                            '</upm:eventObject>',
    'runScriptRequest': '<upm:profileName>mxkeep</upm:profileName><upm:event>user-authenticate'
                        '</upm:event><upm:portList>1:1</upm:portList><upm:parameters>A=1'
                        '</upm:parameters>',
}
# The requests above that change the store when the caller may.
WRITERS = ('createVlan deleteVlan createFdb deleteFdb execCli execConfig setDynamicAcl '
           'insertDynamicAclOnInterface removeDynamicAclOnInterface savePolicy deletePolicy '
           'bindPolicyOnInterface unbindPolicyOnInterface createProfileRequest '
           'deleteProfileRequest editProfileRequest createTimerRequest deleteTimerRequest '
           'bindProfileRequest unbindProfileRequest rpc setRequest createRequest deleteRequest')


def request(element, session, guess):
    """A raw SOAP 1.1 request of `element` (a QName) from the holder of `session`."""
    ns, name = element.namespace, element.localname
    hdr = '<hdr><reqId>1</reqId><sessionId>%s</sessionId></hdr>' % session
    return ('<S:Envelope %s xmlns:op="%s">%s<S:Body><op:%s>%s%s%s</op:%s></S:Body></S:Envelope>'
            % (NAMESPACES, ns, '<S:Header>%s</S:Header>' % hdr if session else '', name,
               OWN.get(name, COMMON + '<sessionId>%s</sessionId>' % guess), hdr,
               hdr.replace('hdr>', 'upm:hdr>') if ns == UPM else '', name))


def post(endpoint, text):
    """The reply text to a raw request, fault or not."""
    req = urllib.request.Request(endpoint, data=text.encode(), headers={'Content-Type': 'text/xml'})
    try:
        with urllib.request.urlopen(req, timeout=60) as reply:
            return reply.read().decode()
    except urllib.error.HTTPError as e:
        return e.read().decode()


def authorization(switch, client):
    """Every operation the served description declares, sent by a read-only session, with
    a guessed session id and with no credentials, leaves the store (cfgmgr's saved
    configuration and the policy files) as it was; the same request from admin shows that
    it would have changed it, for the operations that change things."""
    service = client.service
    admin, user = (service.openSession(session={'username': u, 'password': ''}).sessionId
                   for u in ('admin', 'user'))
    # A guess that shares the slot and shape of admin's id, as an attacker's would.
    guess = admin[:-1] + ('1' if admin[-1] == '0' else '0')
    operations = [o.input.body.qname for o in
                  next(iter(client.wsdl.bindings.values()))._operations.values()]
    by_name = {e.localname: e for e in operations}

    def send(element, session):
        return post(switch.endpoint, request(element, session, guess))

    def plain(body):
        return post(switch.endpoint, '<S:Envelope %s><S:Body>%s</S:Body></S:Envelope>'
                    % (NAMESPACES, body))

    def store():
        reply = plain('<upm:saveConfigRequest><upm:hdr><sessionId>%s</sessionId></upm:hdr>'
                      '</upm:saveConfigRequest>' % admin)
        if 'faultstring' in reply:
            failures.append('the store was not saved: ' + reply)
        return {f: open(os.path.join(switch.config_dir, f)).read()
                for f in sorted(os.listdir(switch.config_dir))}

    # A VLAN, a policy, a profile (whose script only reads) and a timer that stay for the
    # changes, bindings and runs (the ones the matrix creates are deleted before).
    for name, made in (('createVlan', 'mx1'), ('savePolicy', 'mxpol'),
                       ('createProfileRequest', 'mxprof'), ('createTimerRequest', 'mxtimer')):
        reply = post(switch.endpoint, request(by_name[name], admin, guess).replace(made, 'mxkeep'))
        check('mxkeep made by ' + name, 'faultstring' not in reply, True)
    changed, before = set(), store()
    for element in operations:
        for session in (user, guess, ''):
            send(element, session)
        check('%s without write access changes nothing' % element.localname, store() == before,
              True)
        send(element, admin)
        after = store()
        if after != before:
            changed.add(element.localname)
        before = after
    for name in WRITERS.split():
        check('%s as admin changes the store' % name, name in changed, True)
    for session in (admin, user):
        check('no guess ended a session', 'faultstring' not in plain(
            '<c:keepAliveRequest xmlns:c="urn:wsvd/XMLSchema/qtn/common"><hdr><sessionId>%s'
            '</sessionId></hdr></c:keepAliveRequest>' % session), True)


def scenarios(switch, client):
    service = client.service

    def session(user):
        return {'hdr': {'sessionId': service.openSession(
            session={'username': user, 'password': ''}).sessionId}}

    admin = session('admin')

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

    def tag(name):
        entry = service.getVlan(name=name, vr='VR-Default', _soapheaders=admin)
        return None if entry is None else entry.tag

    print('-- a VLAN of the generic interface, seen by the typed service and the CLI')
    check('switch:create of g1 with a tagged port', attempt(lambda: change(
        'create', 'vlan', 'VlanConfig', name='g1', vrName='VR-Default', tagValue=101,
        vlanTaggedPorts='1:9')), succeeded)
    check('getVlan sees its tag', attempt(lambda: tag('g1')), 101)
    check('show vlan g1 lists the tagged port',
          attempt(lambda: cli('show vlan g1').split()[-3:]), ['Tagged', 'ports:', '1:9'])

    print('-- a policy whose rule name is markup, checked by the CLI process and bound')
    rule = {'name': 'web&mail', 'match': {'protocol': 'tcp', 'dstPort': '80'},
            'response': {'deny': True}}
    check('savePolicy', attempt(lambda: service.savePolicy(
        name='p1', aclRules={'rule': [rule]}, _soapheaders=admin)), succeeded)
    check('getPolicy reads the rule name back', attempt(lambda: service.getPolicy(
        name='p1', _soapheaders=admin).aclRules.rule[0].name), 'web&mail')
    check('bindPolicyOnInterface', attempt(lambda: service.bindPolicyOnInterface(
        name='p1', vlan='Default', _soapheaders=admin)), succeeded)
    check('listPolicyOnInterface', attempt(lambda: service.listPolicyOnInterface(
        vlan='Default', _soapheaders=admin)), 'p1')

    print('-- platformd\'s sessions')
    other = session('user')
    listed = attempt(lambda: get('aaa', 'Session'))
    check('Session lists both users', attempt(lambda: sorted({o['userName'] for o in listed})),
          ['admin', 'user'])
    check('of the management API, from this machine',
          attempt(lambda: {(o['sessionType'], o['clientIpAddress']) for o in listed}),
          {('xml', '127.0.0.1')})
    user_id = attempt(lambda: [o['Id'] for o in listed if o['userName'] == 'user'][0])
    check('the user session ended through the object',
          attempt(lambda: change('delete', 'aaa', 'Session', Id=int(user_id))), None)
    check('and its holder is refused', attempt(lambda: service.get(
        filter=typed('aaa', 'Session'), _soapheaders=other)), 'fault: Invalid session id')

    print('-- the switch\'s save writes the running configuration')
    saved = os.path.join(switch.config_dir, 'cfgmgr.cfg')
    check('g1 is not saved yet', not os.path.exists(saved) or 'g1' not in open(saved).read(),
          True)
    check('SwitchInfo save', attempt(lambda: change('set', 'system', 'SwitchInfo',
                                                    saveConfig='yes')), succeeded)
    check('the saved configuration holds g1', attempt(lambda: 'g1' in open(saved).read()), True)

    print('-- a killed cfgmgr is not waited for, and once platformd restarts it the daemon and '
          'the CLI read from it again')
    switch.kill('cfgmgr')
    started = time.monotonic()
    check('getVlan while cfgmgr is down', attempt(lambda: tag('g1')), lambda v: not succeeded(v))
    check('failed within 10 s', time.monotonic() - started < 10, True)
    check('getVlan after the restart', settled(lambda: tag('g1'), 101), 101)
    tagged = ['Tagged', 'ports:', '1:9']
    check('show vlan g1 after the restart',
          settled(lambda: cli('show vlan g1').split()[-3:], tagged), tagged)

    print('-- no operation changes the store without write access')
    authorization(switch, client)

    print('-- what was saved comes back with the restarted switch, what was not does not')
    check('createVlan u1 after the save', attempt(lambda: service.createVlan(
        name='u1', vr='VR-Default', _soapheaders=admin)), None)
    failures.extend(switch.restart())
    admin.update(session('admin'))
    check('g1 is back with its tag', attempt(lambda: tag('g1')), 101)
    check('u1 is not', attempt(lambda: tag('u1')), None)


switch = Switch(*sys.argv[1:4])
try:
    client = zeep.Client(switch.start().endpoint + '?wsdl')
    # A saved policy goes to the CLI process for a check: it must be there to answer.
    if not switch.wait_for_log('cli: connected to wsvd'):
        raise RuntimeError('the CLI process did not connect to wsvd within 30 s')
    scenarios(switch, client)
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
