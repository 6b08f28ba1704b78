"""Loads the generated WSDL with zeep and builds (does not send) two requests, checking
the element names and namespaces a client would put on the wire."""
import sys
import zeep
from lxml import etree

wsdl, base = sys.argv[1], sys.argv[2]
client = zeep.Client(wsdl)
failures = []

def check(operation, kwargs, element, namespace, children):
    envelope = client.create_message(client.service, operation, **kwargs)
    body = envelope.find('{http://schemas.xmlsoap.org/soap/envelope/}Body')
    request = body[0]
    if request.tag != '{%s}%s' % (namespace, element):
        failures.append('%s: request element %s' % (operation, request.tag))
    text = etree.tostring(request).decode()
    for child in children:
        if request.find('.//' + child) is None:
            failures.append('%s: no unqualified <%s> in %s' % (operation, child, text))
    print(text)

check('openSession',
      {'session': {'username': 'admin', 'password': 'secret', 'appName': 'check'}},
      'openSessionRequest', base + '/XMLSchema/qtn/common', ['session', 'session/username'])
check('getVlan', {'name': 'Default', 'vr': 'VR-Default'},
      'getVlan', 'urn:xapi/l2protocol/vlan', ['name', 'vr'])

operations = set(client.service._binding._operations)
if len(operations) != 49:
    failures.append('%d operations in the WSDL' % len(operations))

for f in failures:
    print('FAIL', f)
print('%d passed, %d failed' % (3 - min(3, len(failures)), len(failures)))
sys.exit(1 if failures else 0)
