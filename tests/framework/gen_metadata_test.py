#!/usr/bin/env python3
"""framework/gen_metadata.py over a small schema, map and catalogue: what it writes, and
the maps and catalogues it refuses, with the line at fault."""
import contextlib
import io
import os
import shutil
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "framework"))
import gen_metadata  # noqa: E402

SCHEMA = """<schema xmlns="http://www.w3.org/2001/XMLSchema" xmlns:xsd="http://www.w3.org/2001/XMLSchema"
    xmlns:t="urn:t" targetNamespace="urn:t">
  <simpleType name="TrueFalse"><restriction base="xsd:string">
    <enumeration value="true"/><enumeration value="false"/></restriction></simpleType>
  <simpleType name="StringLen32"><restriction base="xsd:string"/></simpleType>
  <simpleType name="Speeds"><restriction base="xsd:string">
    <enumeration value="100"/><enumeration value="AUTO"/></restriction></simpleType>
  <complexType name="Base"><sequence><element name="queryParameters" type="xsd:string"/></sequence></complexType>
  <complexType name="AccessObject"><choice><element name="thing" type="t:Thing"/></choice></complexType>
  <complexType name="Thing"><complexContent><extension base="t:Base"><sequence>
    <element name="name" type="t:StringLen32"/>
    <element name="on" type="t:TrueFalse"/>
    <element name="speed" type="t:Speeds"/>
    <element name="where"><complexType><sequence>
      <element name="ip" type="xsd:string"/></sequence></complexType></element>
    <element name="extension" type="xsd:string"/>
  </sequence></extension></complexContent></complexType>
</schema>
"""

MAP = """object Thing m/thing
    queryParameters = Q
    name = IRW
    on enabled RW
    speed = RW
    where other RW
        ip address R
"""

CATALOGUE = """module m
object thing table keys name
field name string maxlen 32
object other view keys address
field address string
"""

MAPPER = """<valueMapper><Thing><speed><platform type="Default">
  <map north="100" south="2"/><map north="AUTO" south="0"/></platform></speed></Thing></valueMapper>
"""


class Generator(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.dir)

    def run_with(self, schema=SCHEMA, objects=MAP, catalogue=CATALOGUE, mapper=MAPPER):
        files = {"wsdl/t.xsd": schema, "objects.map": objects, "catalogue/m": catalogue,
                 "valueMapper.xml": mapper, "canned/.keep": ""}
        for name, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(self.dir, name)), exist_ok=True)
            with open(os.path.join(self.dir, name), "w") as f:
                f.write(text)
        d, errors = self.dir, io.StringIO()
        with contextlib.redirect_stderr(errors):
            status = gen_metadata.main(
                ["--schemas", d + "/wsdl", "--map", d + "/objects.map", "--value-mapper",
                 d + "/valueMapper.xml", "--catalogue", d + "/catalogue", "--canned",
                 d + "/canned", "--out", d + "/out"])
        return status, errors.getvalue()

    def read(self, name):
        with open(os.path.join(self.dir, "out", name)) as f:
            return f.read()

    def test_writes_metadata_and_the_fields_the_catalogue_lacks(self):
        status, errors = self.run_with()
        self.assertEqual(status, 0, errors)
        self.assertEqual(self.read("config/www/api/xsd/xsdlist.lst"), "t.xsd\n")
        xsd = self.read("config/www/api/xsd/t.xsd")
        self.assertIn('<nameinfo extName="on" variable="enabled" access="READ WRITE"/>', xsd)
        self.assertIn("<internalObject>other</internalObject>", xsd)
        catalogue = self.read("cfgmgr/catalogue/m")
        # TrueFalse is a boolean; speeds the mapper codes as numbers; the nested field's
        # object takes the object's index field.
        for line in ("field enabled boolean", "field speed uint32", "field name string maxlen 32"):
            self.assertIn(line, catalogue)
        self.assertEqual(catalogue.count("field name "), 2)  # thing's own and other's

    def test_refuses_what_does_not_hold_together(self):
        cases = [
            ("a field of the schema missing", {"objects": MAP.replace("    speed = RW\n", "")},
             "field speed of Thing is not in the map"),
            ("an undeclared internal object", {"objects": MAP.replace("where other", "where nowhere")},
             "no file of data/cfgmgr/catalogue declares nowhere of module m"),
            ("a hand-declared field too short", {"catalogue": CATALOGUE.replace("maxlen 32", "maxlen 8")},
             "is at most 8 characters, the schema allows 32"),
            ("a hand-declared boolean for codes",
             {"catalogue": CATALOGUE.replace("maxlen 32\n", "maxlen 32\nfield speed boolean\n")},
             "is a boolean, the value 2 is not"),
            ("a reason missing", {"objects": MAP.replace("    speed = RW", "    speed -")},
             "a field line is"),
        ]
        for what, change, message in cases:
            with self.subTest(what):
                status, errors = self.run_with(**change)
                self.assertNotEqual(status, 0)
                self.assertIn(message, errors)


if __name__ == "__main__":
    unittest.main()
