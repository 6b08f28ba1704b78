"""Profiles run on the whole switch, driven over HTTP by zeep built from the served WSDL.

A profile that creates a VLAN is bound to a periodic timer of one second; within a
bounded wait the VLAN exists and the execution results show the run (and the failing
runs after it, with the CLI's message). A profile bound to device-detect on a port runs
when "switchctl event" raises the event there; runScript runs a profile with its
parameters. getAllProfile lists the profiles with and without their scripts, and the
faults that protect the store come back as they should.

usage: upm_profiles.py BIN_DIR SOURCE_DIR BUILD_DATA_DIR
"""
import os
import subprocess
import sys
import time

import zeep

from switch_tree import Switch

bin_dir, source_dir, build_data = sys.argv[1:4]
WAIT_SECONDS = 30

failures = []
passed = 0


def check(what, ok, detail=''):
    global passed
    if ok:
        passed += 1
    else:
        failures.append('%s %s' % (what, detail))


def fault_of(call):
    try:
        call()
    except zeep.exceptions.Fault as f:
        return f.message
    return None


def wait_for(what, condition):
    """Calls condition() until it gives a true value, at most WAIT_SECONDS."""
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.25)
    failures.append('%s: not within %d s' % (what, WAIT_SECONDS))
    return None


switch = Switch(bin_dir, source_dir, build_data, env={'TZ': 'UTC'})
try:
    service = zeep.Client(switch.start().endpoint + '?wsdl').service
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
    made = wait_for('the VLAN of the timer\'s profile', lambda: vlan('upm_blue'))
    check('VLAN made by the profile', made is not None and made.name == 'upm_blue')
    runs = wait_for('a second run of the timer',
                    lambda: [r for r in results() if r.profileName == 'mkvlan'][1:] and
                    [r for r in results() if r.profileName == 'mkvlan'])
    if runs:
        first, second = runs[0], runs[1]
        check('first run', (first.status, first.eventName, first.timerName) ==
              ('success', 'timer', 'tick'), first)
        # The VLAN exists by then: the same script fails, with the CLI's message.
        check('second run', second.status == 'failure' and 'already exists' in (second.data or ''),
              second)

    check('a profile bound to a timer is kept',
          fault_of(lambda: service.deleteProfile(profile='mkvlan', hdr=hdr)) ==
          'Profile "mkvlan" is bound to timer "tick": unbind it first.')
    service.deleteTimer(timer='tick', hdr=hdr)

    # A profile bound to a port event, raised from outside.
    service.createProfile(profile={'name': 'onport', 'data': 'create vlan seen_${EVENT}'}, hdr=hdr)
    service.bindProfile(profileName='onport', portList='1:5',
                        eventObject={'event': 'device-detect'}, hdr=hdr)
    raised = subprocess.run([os.path.join(bin_dir, 'switchctl'), 'event', 'device-detect', '1:5'],
                            env=switch.env, capture_output=True, text=True, timeout=20)
    check('switchctl event', raised.returncode == 0, raised.stderr)
    check('the port event ran its profile',
          wait_for('the VLAN of the port event', lambda: vlan('seen_device-detect')) is not None)
    ported = [r for r in results() if r.profileName == 'onport']
    check('port event result', ported and ported[0].portList == '1:5' and
          ported[0].eventName == 'device-detect', ported)

    # A run on demand, with its parameters.
    service.createProfile(profile={'name': 'param', 'data': '# one VLAN\ncreate vlan $NAME\n'},
                          hdr=hdr)
    service.runScript(profileName='param', event='user-authenticate', portList='1:1',
                      parameters='NAME=from_run', hdr=hdr)
    check('runScript', wait_for('the VLAN of runScript', lambda: vlan('from_run')) is not None)

    # The listing, with and without the scripts.
    for content in (True, False):
        listed = service.getAllProfile(contentRequired=content, hdr=hdr).profile
        names = [p.name for p in listed]
        check('getAllProfile names %s' % content, names == ['mkvlan', 'onport', 'param'], names)
        scripts = [p.data for p in listed]
        expected = (['create vlan upm_blue\n', 'create vlan seen_${EVENT}',
                     '# one VLAN\ncreate vlan $NAME\n'] if content else [None, None, None])
        check('getAllProfile scripts %s' % content, scripts == expected, scripts)
        bound = listed[1].bindingObjectList.bindObject if listed[1].bindingObjectList else []
        check('getAllProfile bindings %s' % content,
              [(b.eventObject.event, b.portList) for b in bound] == [('device-detect', '1:5')],
              bound)
    one = service.getProfile(profile='onport', hdr=hdr).profile
    check('getProfile', one.name == 'onport' and one.profileEnabled and one.checksum is not None,
          one)
    check('unknown profile', fault_of(lambda: service.getProfile(profile='nope', hdr=hdr)) ==
          'Profile not found')
    service.closeSession(sessionId=sid)
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
