"""A client that no one here wrote drives the whole switch over HTTP.

Starts platformd (with cfgmgr, wsvd, cli and webd) on a temporary tree and a free
port, builds a zeep client from the WSDL the running switch serves, and runs a first
session: openSession, createVlan, getVlan, getAllVlan, createFdb, getAllFdb, execCli,
saveConfig and closeSession, and reads a fault as a fault.

usage: zeep_switch.py BIN_DIR SOURCE_DIR BUILD_DATA_DIR
"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

import zeep
from lxml import etree

bin_dir, source_dir, build_data = sys.argv[1:4]
tree = tempfile.mkdtemp(prefix='zs.', dir='/tmp')
failures = []
passed = 0


def check(what, ok, detail=''):
    global passed
    if ok:
        passed += 1
    else:
        failures.append('%s %s' % (what, detail))


def entries(sequence, name):
    """The entries of a returned list type (zeep may hand back the list itself)."""
    if sequence is None:
        return []
    if isinstance(sequence, list):
        return sequence
    return getattr(sequence, name) or []


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


env = dict(os.environ)
for sub in ('run', 'config', 'scratch', 'root'):
    os.mkdir(os.path.join(tree, sub))
shutil.copytree(os.path.join(source_dir, 'data'), os.path.join(tree, 'root'), dirs_exist_ok=True)
shutil.copytree(build_data, os.path.join(tree, 'root'), dirs_exist_ok=True)
port = free_port()
env.update(KARN_RUN_LOCATION=os.path.join(tree, 'run'), KARN_CONFIG_LOCATION=os.path.join(tree, 'config'),
           KARN_SCRATCH_LOCATION=os.path.join(tree, 'scratch'), KARN_ROOT=os.path.join(tree, 'root'),
           WSVD_HTTP_PORT=str(port))
log = open(os.path.join(tree, 'log.txt'), 'w')
platformd = subprocess.Popen([os.path.join(bin_dir, 'platformd')], env=env, stdout=log, stderr=log)
endpoint = 'http://127.0.0.1:%d/xmlService' % port

try:
    deadline = time.time() + 60
    while True:
        try:
            urllib.request.urlopen(endpoint + '?wsdl', timeout=2).read()
            break
        except Exception:
            if time.time() > deadline:
                raise
            time.sleep(0.2)

    client = zeep.Client(endpoint + '?wsdl')
    service = client.service

    # Until cfgmgr and the CLI are linked to wsvd, typed services answer that cfgmgr is
    # unreachable; wait for the first success.
    reply = service.openSession(session={'username': 'admin', 'password': '', 'appName': 'zeep'})
    session_id = reply.sessionId if hasattr(reply, 'sessionId') else reply['sessionId']
    check('openSession gives a session id', len(session_id) == 14, repr(session_id))
    header = etree.fromstring('<hdr><sessionId>%s</sessionId></hdr>' % session_id)

    deadline = time.time() + 30
    while True:
        try:
            service.createVlan(name='zeep', vr='VR-Default', _soapheaders=[header])
            break
        except zeep.exceptions.Fault as f:
            if time.time() > deadline or 'cfgmgr' not in str(f.message):
                raise
            time.sleep(0.5)

    vlan = service.getVlan(name='zeep', vr='VR-Default', _soapheaders=[header])
    check('getVlan reads the new VLAN', vlan is not None and vlan.name == 'zeep', repr(vlan))
    vlans = service.getAllVlan(_soapheaders=[header])
    names = [v.name for v in entries(vlans, 'vlan')]
    check('getAllVlan lists it', 'zeep' in names and 'Default' in names, repr(names))

    try:
        service.createVlan(name='zeep', vr='VR-Default', _soapheaders=[header])
        check('a second createVlan is a fault', False)
    except zeep.exceptions.Fault as f:
        check('a second createVlan is a fault', 'exists' in f.message, f.message)

    service.createFdb(macAddress='00:0a:0b:0c:0d:0e', vlan='zeep', port='1:5', _soapheaders=[header])
    fdbs = service.getAllFdb(_soapheaders=[header])
    macs = [e.macAddress for e in entries(fdbs, 'fdb')]
    check('getAllFdb lists the entry', macs == ['00:0a:0b:0c:0d:0e'], repr(macs))

    out = service.execCli(command='show vlan', _soapheaders=[header])
    check('execCli runs "show vlan"', out is not None and 'zeep' in out, repr(out))

    saved = service.saveConfig(hdr={'sessionId': session_id})
    check('saveConfig', True)

    service.closeSession(sessionId=session_id)
    try:
        service.closeSession(sessionId=session_id)
        check('closing twice is a fault', False)
    except zeep.exceptions.Fault as f:
        check('closing twice is a fault', f.message == 'Unknown session id', f.message)
except Exception as e:  # any unexpected error is a failure with its text
    failures.append('unexpected %s: %s' % (type(e).__name__, e))
finally:
    platformd.send_signal(signal.SIGTERM)
    try:
        platformd.wait(timeout=15)
    except subprocess.TimeoutExpired:
        platformd.kill()
        failures.append('platformd did not stop')
    log.close()
    text = open(os.path.join(tree, 'log.txt')).read()
    for marker in ('AddressSanitizer', 'LeakSanitizer', 'runtime error:'):
        if marker in text:
            failures.append('sanitizer report in the log')
    if failures:
        print(text[-4000:])
    shutil.rmtree(tree, ignore_errors=True)

for f in failures:
    print('FAIL', f)
print('%d passed, %d failed' % (passed, len(failures)))
sys.exit(1 if failures else 0)
