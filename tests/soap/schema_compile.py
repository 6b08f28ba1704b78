"""The served service description holds schemas that compile and mean what the server
reads: xmllint compiles the XSD files of data/wsdl, and separately the schemas inside
the WSDL, each set through a wrapper schema that imports them all (their own imports
carry no schemaLocation), and validates sample messages against both.

usage: schema_compile.py WSDL_DIR BASE_URI
"""
import os
import subprocess
import sys
import tempfile

from lxml import etree

wsdl_dir, base = os.path.abspath(sys.argv[1]), sys.argv[2]
XSD = 'http://www.w3.org/2001/XMLSchema'
WSDL = 'http://schemas.xmlsoap.org/wsdl/'
NS = ('xmlns:com="{b}/XMLSchema/qtn/common" xmlns:upm="{b}/XMLSchema/qtn/upm" '
      'xmlns:switch="{b}/XMLSchema/qtn/switch" xmlns:vlan="{b}/XMLSchema/qtn/vlan" '
      'xmlns:idmgr="{b}/XMLSchema/qtn/idmgr" xmlns:v="urn:xapi/l2protocol/vlan" '
      'xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"').format(b=base)

# name, document, whether it is valid
SAMPLES = [
    ('typed request', '<v:createVlan %s><name>blue</name><vr>VR-Default</vr></v:createVlan>', True),
    ('typed request out of order', '<v:createVlan %s><vr>VR-Default</vr><name>blue</name></v:createVlan>',
     False),
    # A choice: one result by its id, or a number of them, not both.
    ('execution results by count',
     '<upm:getExecutionResultRequest %s><upm:numberOfRecords>5</upm:numberOfRecords>'
     '<upm:hdr><sessionId>20af0000000001</sessionId></upm:hdr></upm:getExecutionResultRequest>', True),
    ('execution result by id and count',
     '<upm:getExecutionResultRequest %s><upm:executionId>3</upm:executionId>'
     '<upm:numberOfRecords>5</upm:numberOfRecords></upm:getExecutionResultRequest>', False),
    # The attributes of a derived object type, base and own.
    ('derived object with its attributes',
     '<switch:setRequest %s><filter xsi:type="vlan:VlanConfig" objectType="vlanConfig" com:operation="create">'
     '<name>blue</name><tagValue>10</tagValue></filter></switch:setRequest>', True),
    ('derived object without its required attribute',
     '<switch:setRequest %s><filter xsi:type="vlan:VlanConfig"><name>blue</name></filter></switch:setRequest>',
     False),
    # A list, then wildcard content of another namespace.
    ('list before a wildcard',
     '<switch:getRequest %s><filter xsi:type="idmgr:UserRole" objectType="userRole"><childInfo>'
     '<child><childRoleName>a</childRoleName></child><child><childRoleName>b</childRoleName></child>'
     '<x:note xmlns:x="urn:elsewhere"/></childInfo></filter></switch:getRequest>', True),
]


def wrapper(directory, schemas):
    """A schema that imports every (namespace, file) of schemas; returns its path."""
    path = os.path.join(directory, 'all.xsd')
    with open(path, 'w') as f:
        f.write('<schema xmlns="%s" targetNamespace="urn:wrapper">\n' % XSD)
        for namespace, location in schemas:
            f.write('  <import namespace="%s" schemaLocation="%s"/>\n' % (namespace, location))
        f.write('</schema>\n')
    return path


def xsd_files():
    for name in sorted(os.listdir(wsdl_dir)):
        if name.endswith('.xsd'):
            path = os.path.join(wsdl_dir, name)
            yield etree.parse(path).getroot().get('targetNamespace'), path


def wsdl_schemas(directory):
    """Writes each schema of the WSDL's types to a file of its own."""
    wsdl = etree.parse(os.path.join(wsdl_dir, 'wsvd.wsdl'))
    for i, schema in enumerate(wsdl.getroot().iterfind('{%s}types/{%s}schema' % (WSDL, XSD))):
        path = os.path.join(directory, 'types%d.xsd' % i)
        with open(path, 'wb') as f:
            f.write(etree.tostring(schema))  # with the namespaces it inherits
        yield schema.get('targetNamespace'), path


failures = []
passed = 0
with tempfile.TemporaryDirectory() as tmp:
    samples = []
    for i, (_, text, _) in enumerate(SAMPLES):
        samples.append(os.path.join(tmp, 'sample%d.xml' % i))
        with open(samples[-1], 'w') as f:
            f.write(text % NS)
    for what, schemas in (('XSD files', list(xsd_files())), ('WSDL types', list(wsdl_schemas(tmp)))):
        if len(schemas) < 20:
            failures.append('%s: only %d schemas' % (what, len(schemas)))
            continue
        run = subprocess.run(['xmllint', '--noout', '--schema', wrapper(tmp, schemas)] + samples,
                             capture_output=True, text=True)
        if 'failed to compile' in run.stderr or 'Schemas parser' in run.stderr:
            failures.append('%s do not compile:\n%s' % (what, run.stderr))
            continue
        passed += 1
        wrong = [name for (name, _, valid), path in zip(SAMPLES, samples)
                 if ('%s validates' % path in run.stderr) != valid]
        passed += len(SAMPLES) - len(wrong)
        failures += ['%s: %s is judged wrongly' % (what, name) for name in wrong]
        if wrong:
            print(run.stderr)

for f in failures:
    print('FAIL', f)
print('%d passed, %d failed' % (passed, len(failures)))
sys.exit(1 if failures else 0)
