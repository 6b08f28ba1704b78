"""The client-matrix session with zeep, built from the served WSDL (SOAP 1.1 binding).

usage: zeep_client.py ENDPOINT VLAN_NAME MAC_ADDRESS; prints "STEP<TAB>VALUE" lines.
"""
import sys

import zeep

endpoint, name, mac = sys.argv[1:4]


def report(step, value):
    print('%s\t%s' % (step, value), flush=True)


def step(name_of_step, call):
    """Runs call() and reports its value, its fault as "fault: TEXT", or its error."""
    try:
        value = call()
    except zeep.exceptions.Fault as f:
        value = 'fault: %s' % f.message
    except Exception as e:
        value = 'error: %s: %s' % (type(e).__name__, e)
    report(name_of_step, value)
    return value


def entries(sequence, name_of_entry):
    """The entries of a returned list type (zeep may hand back the list itself)."""
    if sequence is None:
        return []
    return sequence if isinstance(sequence, list) else getattr(sequence, name_of_entry) or []


client = zeep.Client(endpoint + '?wsdl')
service = client.service
report('wsdl', 'loaded')


def open_session(user):
    return service.openSession(session={'username': user, 'password': '', 'appName': 'zeep'}).sessionId


def done(result):
    return 'done'


session_id = step('openSession', lambda: open_session('admin'))
# The WSDL declares the session header: zeep builds it from a plain dict.
header = {'hdr': {'sessionId': session_id}}
step('createVlan', lambda: done(service.createVlan(name=name, vr='VR-Default', _soapheaders=header)))
step('getVlan', lambda: service.getVlan(name=name, vr='VR-Default', _soapheaders=header).name)
step('getAllVlan', lambda: ','.join(v.name for v in entries(service.getAllVlan(_soapheaders=header), 'vlan')))
step('createFdb',
     lambda: done(service.createFdb(macAddress=mac, vlan=name, port='1:5', _soapheaders=header)))
step('getAllFdb', lambda: ','.join(e.macAddress for e in entries(service.getAllFdb(_soapheaders=header), 'fdb')))
step('execCli', lambda: ' '.join(service.execCli(command='show vlan', _soapheaders=header).split()))
step('saveConfig', lambda: done(service.saveConfig(hdr={'sessionId': session_id})))
step('duplicateVlan', lambda: done(service.createVlan(name=name, vr='VR-Default', _soapheaders=header)))


def read_only_user():
    reader = open_session('user')
    try:
        return done(service.createVlan(name=name + 'ro', vr='VR-Default',
                                       _soapheaders={'hdr': {'sessionId': reader}}))
    finally:
        service.closeSession(sessionId=reader)


step('readOnlyUser', read_only_user)
step('closeSession', lambda: done(service.closeSession(sessionId=session_id)))
