"""Profiles run on the whole switch: a profile that creates a VLAN, bound to a periodic
timer of one second, runs within a bounded wait and the execution results show the run
(and the failing runs after it, with the CLI's message). A profile bound to device-detect
on a port runs when "switchctl event" raises the event there; runScript runs a profile
with its parameters; getAllProfile lists the profiles with and without their scripts."""
import subprocess
import time

import zeep


WAIT_SECONDS = 30

def fault_of(call):
    try:
        call()
    except zeep.exceptions.Fault as f:
        return f.message
    return None


def wait_for(c, what, condition):
    """Calls condition() until it gives a true value, at most WAIT_SECONDS."""
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.25)
    c.failures.append('%s: not within %d s' % (what, WAIT_SECONDS))
    return None


def run(switch, client, c):
    service = client.service
    sid = service.openSession(session={'username': 'admin', 'password': ''}).sessionId
    hdr = {'sessionId': sid, 'reqId': 5}
    soap_header = {'hdr': {'sessionId': sid}}

    def vlan(name):
        return service.getVlan(name=name, vr='VR-Default', _soapheaders=soap_header)

    def results(count=50):
        return service.getExecutionResult(numberOfRecords=count, hdr=hdr).executionResults or []

    # A profile that makes a VLAN, run every second by a timer.
    service.createProfile(profile={'name': 'mkvlan', 'data': 'create vlan upm_blue\n'}, hdr=hdr)
    service.createTimer(timer={'timerName': 'tick', 'every': 1}, hdr=hdr)
    service.bindProfile(profileName='mkvlan', eventObject={'event': 'timer', 'timerName': 'tick'},
                        hdr=hdr)
    made = wait_for(c, 'the VLAN of the timer\'s profile', lambda: vlan('upm_blue'))
    c.expect('VLAN made by the profile', made is not None and made.name == 'upm_blue')
    runs = wait_for(c, 'a second run of the timer',
                    lambda: [r for r in results() if r.profileName == 'mkvlan'][1:] and
                    [r for r in results() if r.profileName == 'mkvlan'])
    if runs:
        first, second = runs[0], runs[1]
        c.expect('first run', (first.status, first.eventName, first.timerName) ==
              ('success', 'timer', 'tick'), first)
        # The VLAN exists by then: the same script fails, with the CLI's message.
        c.expect('second run', second.status == 'failure' and 'already exists' in (second.data or ''),
              second)

    c.expect('a profile bound to a timer is kept',
          fault_of(lambda: service.deleteProfile(profile='mkvlan', hdr=hdr)) ==
          'Profile "mkvlan" is bound to timer "tick": unbind it first.')
    service.deleteTimer(timer='tick', hdr=hdr)

    # A profile bound to a port event, raised from outside.
    service.createProfile(profile={'name': 'onport', 'data': 'create vlan seen_${EVENT}'}, hdr=hdr)
    service.bindProfile(profileName='onport', portList='1:5',
                        eventObject={'event': 'device-detect'}, hdr=hdr)
    raised = subprocess.run([switch.tool('switchctl'), 'event', 'device-detect', '1:5'],
                            env=switch.env, capture_output=True, text=True, timeout=20)
    c.expect('switchctl event', raised.returncode == 0, raised.stderr)
    c.expect('the port event ran its profile',
          wait_for(c, 'the VLAN of the port event', lambda: vlan('seen_device-detect')) is not None)
    ported = [r for r in results() if r.profileName == 'onport']
    c.expect('port event result', ported and ported[0].portList == '1:5' and
          ported[0].eventName == 'device-detect', ported)

    # A run on demand, with its parameters.
    service.createProfile(profile={'name': 'param', 'data': '# one VLAN\ncreate vlan $NAME\n'},
                          hdr=hdr)
    service.runScript(profileName='param', event='user-authenticate', portList='1:1',
                      parameters='NAME=from_run', hdr=hdr)
    c.expect('runScript', wait_for(c, 'the VLAN of runScript', lambda: vlan('from_run')) is not None)

    # The listing, with and without the scripts.
    for content in (True, False):
        listed = service.getAllProfile(contentRequired=content, hdr=hdr).profile
        names = [p.name for p in listed]
        c.expect('getAllProfile names %s' % content, names == ['mkvlan', 'onport', 'param'], names)
        scripts = [p.data for p in listed]
        expected = (['create vlan upm_blue\n', 'create vlan seen_${EVENT}',
                     '# one VLAN\ncreate vlan $NAME\n'] if content else [None, None, None])
        c.expect('getAllProfile scripts %s' % content, scripts == expected, scripts)
        bound = listed[1].bindingObjectList.bindObject if listed[1].bindingObjectList else []
        c.expect('getAllProfile bindings %s' % content,
              [(b.eventObject.event, b.portList) for b in bound] == [('device-detect', '1:5')],
              bound)
    one = service.getProfile(profile='onport', hdr=hdr).profile
    c.expect('getProfile', one.name == 'onport' and one.profileEnabled and one.checksum is not None,
          one)
    service.closeSession(sessionId=sid)
