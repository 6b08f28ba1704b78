#!/usr/bin/env python3
"""Writes the object metadata of the switch from one hand-written source.

data/xsd/objects.map says, for every field of every external object of the schema, which
internal object and variable of cfgmgr holds it (or why none does). From it, the service's
schema files and data/xsd/valueMapper.xml this writes

  - the metadata directory the daemon reads at start-up (config/www/api/xsd): one schema
    file per namespace with every external object's type flattened (its base type's
    fields written out, nested types inline) and annotated with the map, the simple types
    the objects use, xsdlist.lst and valueMapper.xml;
  - cfgmgr's catalogue (cfgmgr/catalogue): the files of data/cfgmgr/catalogue with the
    mapped variables that a file does not declare itself added as fields of their
    objects, their types following the schema; and cfgmgr's canned rows.

So the daemon and the store are fed from one source. Everything is checked first: a map
that misses a field of the schema or names one it does not have, an internal object that
no catalogue file declares, a variable declared by hand with a type that cannot hold the
external values, or a value mapper entry for an unknown field stops the build with the
file and line at fault.

    gen_metadata.py --schemas DIR --map FILE --value-mapper FILE --catalogue DIR
                    --canned DIR --out DIR
"""
import argparse
import os
import re
import shutil
import sys
import xml.etree.ElementTree as ET
from xml.sax.saxutils import quoteattr

XS = "http://www.w3.org/2001/XMLSchema"
BUILTIN = (XS, "http://schemas.xmlsoap.org/soap/encoding/")
ACCESS = {"I": "INDEX", "R": "READ", "W": "WRITE", "Q": "QUERY"}
# The enumerations the daemon translates itself (true = 1, false = 0 and the like).
BUILTIN_ENUMS = ("TrueFalse", "YesNo", "ActiveStates", "BlockedStates")
VALUE_TYPES = ("string", "octet", "ipAddress", "tcpAddress", "password", "netmask", "int")
PLATFORM = "i386"


class Failure(Exception):
    pass


def fail(where, what):
    raise Failure(f"{where}: {what}")


def tag(node):
    return node.tag.split("}")[-1] if node.tag.startswith("{" + XS + "}") else None


# ---- the service's schema files


class Schema:
    """Types of every file, by (namespace, name), and the prefixes of each file."""

    def __init__(self, directory):
        self.types = {}
        self.files = {}  # prefix -> (namespace, {prefix: namespace} of the file)
        self.objects = {}  # external object name -> (file prefix, type reference, scope)
        for name in sorted(os.listdir(directory)):
            if name.endswith(".xsd"):
                self._read(os.path.join(directory, name), name[:-4].rstrip("_"))

    def _read(self, path, prefix):
        scope = {}
        for _, (p, uri) in ET.iterparse(path, events=("start-ns",)):
            scope.setdefault(p, uri)
        root = ET.parse(path).getroot()
        ns = root.get("targetNamespace", "")
        self.files[prefix] = (ns, scope)
        for node in root:
            if tag(node) in ("complexType", "simpleType"):
                self.types[(ns, node.get("name"))] = (node, scope, prefix)
        access = self.types.get((ns, "AccessObject"))
        for element in access[0].iter("{%s}element" % XS) if access else []:
            name = element.get("name")
            self.objects[name[0].upper() + name[1:]] = (prefix, element.get("type"), scope)

    def resolve(self, written, scope):
        prefix, _, local = written.rpartition(":")
        return scope.get(prefix, ""), local

    def fields(self, node, scope, trail=()):
        """The fields of a complex type in schema order: (name, type key, nested)."""
        out = []
        for child in node:
            kind = tag(child)
            if kind in ("sequence", "choice", "all"):
                out += self.fields(child, scope, trail)
            elif kind == "complexContent":
                for derived in child:
                    if tag(derived) == "extension":
                        base = self.resolve(derived.get("base"), scope)
                        out += self.type_fields(base, trail)
                    out += self.fields(derived, scope, trail)
            elif kind == "element" and child.get("name") != "extension":
                key = self.resolve(child.get("type", "xsd:string"), scope)
                nested = None
                inline = child.find("{%s}complexType" % XS)
                if child.get("type") is None and inline is not None:
                    nested = self.fields(inline, scope, trail)
                elif key in self.types and tag(self.types[key][0]) == "complexType":
                    nested = self.type_fields(key, trail)
                out.append((child.get("name"), key, nested))
        return out

    def type_fields(self, key, trail):
        if key in trail:
            fail("schema", f"type {key[1]} contains itself")
        node, scope, _ = self.types[key]
        return self.fields(node, scope, trail + (key,))

    def simple(self, key):
        """A named simple type's restriction base and enumeration facets."""
        node = self.types[key][0]
        restriction = node.find("{%s}restriction" % XS)
        base = restriction.get("base", "") if restriction is not None else ""
        facets = [e.get("value") for e in node.iter("{%s}enumeration" % XS)]
        return base.rpartition(":")[2], facets


# ---- the object map


class Field:
    def __init__(self, where, name, target, access, options, reason):
        self.where, self.name, self.access = where, name, access
        self.target, self.options, self.reason = target, options, reason
        self.children = []
        self.module = self.object = self.variable = None  # what the map names itself
        self.type_key, self.nested = None, False  # from the schema


class MapObject:
    def __init__(self, where, name, module, internal, reason):
        self.where, self.name, self.module, self.internal = where, name, module, internal
        self.reason = reason
        self.fields = []


TARGET = re.compile(r"^(?:(?:(?P<module>\w+)/)?(?P<object>\w+):)?(?P<variable>=|[\w,]+)$")
HOLDER = re.compile(r"^(?:(?P<module>\w+)/)?(?P<object>\w+)$")


def read_map(path):
    objects, stack = [], []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            where = f"{path} line {number}"
            line = raw.rstrip("\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            indent = len(line) - len(line.lstrip(" "))
            words = line.split()
            if indent == 0:
                if words[0] != "object" or len(words) < 3:
                    fail(where, "an object line is: object NAME MODULE/OBJECT (or - REASON)")
                if words[2] == "-":
                    objects.append(MapObject(where, words[1], None, None, " ".join(words[3:])))
                else:
                    m = HOLDER.match(words[2])
                    if not m or not m.group("module"):
                        fail(where, f"{words[2]} is not MODULE/OBJECT")
                    objects.append(MapObject(where, words[1], m["module"], m["object"], None))
                stack = [(0, objects[-1].fields)]
                continue
            if not stack or indent % 4 or indent // 4 > len(stack):
                fail(where, "fields are indented by four spaces a level below their parent")
            del stack[indent // 4 :]
            if len(words) < 3:
                fail(where, "a field line is: NAME TARGET ACCESS [OPTIONS] (or NAME - REASON)")
            if words[1] == "-":
                field = Field(where, words[0], None, "", {}, " ".join(words[2:]))
            else:
                access = words[2]
                if access == "-" or any(c not in ACCESS for c in access):
                    fail(where, f"access {access} is not made of the letters IRWQ")
                options = {}
                for option in words[3:]:
                    key, _, value = option.partition("=")
                    if key not in ("special", "type", "version"):
                        fail(where, f"unknown option {option}")
                    options[key] = value
                field = Field(where, words[0], words[1], access, options, None)
            stack[-1][1].append(field)
            stack.append((indent, field.children))
    return objects


# ---- cfgmgr's catalogue files


class Declared:
    def __init__(self, words, where):
        self.name, self.type, self.where = words[1], words[2], where
        self.maxlen = 255 if self.type == "string" else None
        self.ranged = "range" in words
        if "maxlen" in words:
            self.maxlen = int(words[words.index("maxlen") + 1])


class Catalogue:
    """The files of data/cfgmgr/catalogue: objects with their fields and lines."""

    def __init__(self, directory):
        self.files = {}  # file name -> lines
        # (module, object) -> its fields, its file, the index of its last line of fields
        self.objects = {}
        for name in sorted(os.listdir(directory)):
            path = os.path.join(directory, name)
            if name.startswith(".") or not os.path.isfile(path):
                continue
            with open(path, encoding="utf-8") as f:
                lines = f.read().split("\n")
            self.files[name] = lines
            module, current = None, None
            for number, line in enumerate(lines):
                words = line.split()
                if not words or words[0].startswith("#"):
                    continue
                where = f"data/cfgmgr/catalogue/{name} line {number + 1}"
                if words[0] == "module" and len(words) > 1:
                    module, current = words[1], None
                elif words[0] == "object" and len(words) > 2 and module:
                    current = {"fields": {}, "file": name, "last": number}
                    self.objects[(module, words[1])] = current
                elif words[0] == "field" and len(words) > 2 and current:
                    current["fields"][words[1]] = Declared(words, where)
                    current["last"] = number

    def write(self, directory, added):
        """The files, each object followed by the fields `added` gives it."""
        for name, lines in self.files.items():
            inserts = {}
            for key, obj in self.objects.items():
                if obj["file"] == name and added.get(key):
                    inserts[obj["last"]] = ["# Variables of data/xsd/objects.map:"] + [
                        "field " + " ".join(words) for words in added[key]
                    ]
            out = []
            for number, line in enumerate(lines):
                out.append(line)
                out += inserts.get(number, [])
            with open(os.path.join(directory, name), "w", encoding="utf-8") as f:
                f.write("\n".join(out))


# ---- the value mapper


def read_value_mapper(path):
    """{(object, field): [south values]} of the pairs chosen for this platform."""
    pairs = {}
    for obj in ET.parse(path).getroot():
        for field in obj:
            platforms = [p for p in field if p.get("type") in (PLATFORM, "Default")]
            chosen = next((p for p in platforms if p.get("type") == PLATFORM), None)
            if chosen is None and platforms:
                chosen = [p for p in platforms if p.get("type") == "Default"][-1]
            souths = [m.get("south") for m in (chosen if chosen is not None else [])]
            pairs[(obj.tag, field.tag)] = [s for s in souths if s not in (None, "default")]
    return pairs


# ---- types: what the store needs to hold the values of an external field

NUMERIC = {
    "byte": "int8", "short": "int16", "int": "int32", "long": "int64",
    "unsignedByte": "uint8", "unsignedShort": "uint16", "unsignedInt": "uint32",
    "unsignedLong": "uint64", "boolean": "boolean",
}  # fmt: skip
INTEGERS = ("int8", "int16", "int32", "int64", "uint8", "uint16", "uint32", "uint64")


def fits(t, text):
    if not re.fullmatch(r"-?\d+", text):
        return False
    bits, value = width(t), int(text)
    if t.startswith("u"):
        return 0 <= value < 2**bits
    return -(2 ** (bits - 1)) <= value < 2 ** (bits - 1)


def width(t):
    return int(re.sub(r"\D", "", t)) if t in INTEGERS else 0


class Derived:
    """The catalogue type of a field and the external values it must hold."""

    def __init__(self, type_, maxlen=None, values=()):
        self.type, self.maxlen, self.values = type_, maxlen, list(values)

    def words(self):
        return [self.type] + (["maxlen", str(self.maxlen)] if self.maxlen else [])


def derive(schema, key, mapped, type_map):
    """The store's type for an external simple type; `mapped`: the value mapper's internal
    values for the field, or None."""
    if type_map:
        internal = type_map[1]
        if internal == "int":
            return Derived("uint32")
        if internal == "netmask" or internal == "ipAddress":
            return Derived("ipv4")
    ns, local = key
    if ns in BUILTIN:
        if local in NUMERIC:
            return Derived(NUMERIC[local])
        # The schema bounds neither texts nor floats: the store's default length holds them.
        return Derived("string")
    base, facets = schema.simple(key)
    if local in BUILTIN_ENUMS:
        return Derived("boolean", values=["1", "0"])
    if mapped is not None:
        if mapped and all(re.fullmatch(r"\d+", v) for v in mapped):
            return Derived("uint32", values=mapped)
        return Derived("string", max(len(v) for v in mapped), mapped)
    if facets:
        return Derived("string", max(len(v) for v in facets), facets)
    m = re.fullmatch(r"StringLen(\d+)(K?)", local)
    if m:
        return Derived("string", int(m[1]) * (1024 if m[2] else 1))
    if local in ("IPAddress", "ipv4", "Netmask"):
        return Derived("ipv4")
    if local == "ipv6":
        return Derived("ipv6")
    return derive(schema, (XS, base), None, None)


def holds(declared, derived, written):
    """Why a hand-declared field cannot hold the external values, or None. Lengths and
    widths matter for `written` fields (given by clients) only."""
    if written and declared.type == "string" and derived.type == "string":
        if derived.maxlen and declared.maxlen < derived.maxlen:
            return f"is at most {declared.maxlen} characters, the schema allows {derived.maxlen}"
    for value in derived.values:
        if declared.type == "boolean" and value not in ("0", "1", "true", "false"):
            return f"is a boolean, the value {value} is not"
        if declared.type in INTEGERS and not fits(declared.type, value):
            return f"is {declared.type}, the value {value} is not"
    # An enumeration's codes were checked one by one; a number must fit whole.
    if derived.values:
        return None
    if written and declared.type in INTEGERS and derived.type in INTEGERS and not declared.ranged:
        if width(declared.type) < width(derived.type) or (
            declared.type.startswith("u") != derived.type.startswith("u")
            and width(declared.type) <= width(derived.type)
        ):
            return f"is {declared.type}, the schema's values are {derived.type}"
    return None


def merge(a, b):
    """One declaration for a variable several external fields map onto, or None."""
    if a.type == b.type:
        maxlen = max(a.maxlen or 255, b.maxlen or 255) if a.type == "string" else None
        return Derived(a.type, maxlen, a.values + b.values)
    if a.type in INTEGERS and b.type in INTEGERS and a.type[0] == b.type[0]:
        return a if width(a.type) >= width(b.type) else b
    return None


# ---- the map against the schema and the catalogue


class Binder:
    def __init__(self, schema, catalogue, mapper):
        self.schema, self.catalogue, self.mapper = schema, catalogue, mapper
        self.added = {}  # (module, object) -> {variable: Derived}, in map order
        self.sources = {}  # (module, object, variable) -> where it was first derived
        self.used = set()  # the internal objects the current external object uses

    def objects(self, objects):
        seen = set()
        for obj in objects:
            if obj.name in seen:
                fail(obj.where, f"{obj.name} is given twice")
            seen.add(obj.name)
            if obj.reason is not None:
                if obj.name in self.schema.objects:
                    fail(obj.where, f"{obj.name} has a schema type: map its fields")
                if not obj.reason:
                    fail(obj.where, "an object without a schema type needs a reason")
                continue
            if obj.name not in self.schema.objects:
                fail(obj.where, f"the schema has no external object {obj.name}")
            self.used = set()
            self.holder(obj.where, obj.module, obj.internal)
            _, written, scope = self.schema.objects[obj.name]
            key = self.schema.resolve(written, scope)
            self.fields(obj, self.schema.type_fields(key, ()), obj.fields, obj.module, obj.internal)
            self.index_everywhere(obj)
        for name in self.schema.objects:
            if name not in seen:
                fail("data/xsd/objects.map", f"external object {name} is not in the map")

    def index_everywhere(self, obj):
        """Every request of an object carries its index fields, so every internal object
        that holds some of its fields has them too."""
        index = [f for f in obj.fields if "I" in f.access and not f.children and f.reason is None]
        for module, internal in sorted(self.used - {(obj.module, obj.internal)}):
            declared = self.catalogue.objects[(module, internal)]["fields"]
            for f in index:
                if "special" in f.options or f.variable in declared:
                    continue
                self.add(f, module, internal, f.variable, self.derived(obj, f))

    def derived(self, obj, f):
        type_map = f.options["type"].split(":") if "type" in f.options else None
        return derive(self.schema, f.type_key, self.mapper.get((obj.name, f.name)), type_map)

    def add(self, f, module, internal, variable, derived):
        fields = self.added.setdefault((module, internal), {})
        if variable in fields:
            both = merge(fields[variable], derived)
            if not both:
                first = self.sources[(module, internal, variable)]
                fail(f.where, f"{internal}.{variable} is also mapped at {first} with another "
                     "type: declare it in its catalogue file")
            fields[variable] = both
        else:
            fields[variable] = derived
            self.sources[(module, internal, variable)] = f.where

    def holder(self, where, module, internal):
        self.used.add((module, internal))
        if (module, internal) not in self.catalogue.objects:
            fail(where, f"no file of data/cfgmgr/catalogue declares {internal} of module {module}")

    def fields(self, obj, described, mapped, module, internal):
        names = [name for name, _, _ in described]
        given = [f.name for f in mapped]
        for f in mapped:
            if given.count(f.name) > 1:
                fail(f.where, f"field {f.name} is given twice")
            if f.name not in names:
                fail(f.where, f"{obj.name} has no field {f.name} here")
        for name, key, nested in described:
            if name not in given:
                where = mapped[-1].where if mapped else obj.where
                fail(where, f"field {name} of {obj.name} is not in the map (map it or say why not)")
            f = mapped[given.index(name)]
            f.type_key, f.nested = key, nested is not None
            if f.reason is not None:
                if f.children:
                    fail(f.where, "a field that is not mapped has no mapped fields below it")
                continue
            if nested is not None:
                self.nested(obj, f, nested, module, internal)
            else:
                self.simple(obj, f, module, internal)

    def nested(self, obj, f, described, module, internal):
        if f.options:
            fail(f.where, "a nested field takes no options")
        if f.target != "=":
            m = HOLDER.match(f.target)
            if not m:
                fail(f.where, "a nested field names its internal object ([MODULE/]OBJECT) or =")
            f.module, f.object = m["module"] or module, m["object"]
            self.holder(f.where, f.module, f.object)
            module, internal = f.module, f.object
        if not f.children:
            fail(f.where, f"the fields of {f.name} are not in the map")
        self.fields(obj, described, f.children, module, internal)

    def simple(self, obj, f, module, internal):
        m = TARGET.match(f.target)
        if not m:
            fail(f.where, f"{f.target} is not [[MODULE/]OBJECT:]VARIABLE")
        if f.children:
            fail(f.where, f"{f.name} is a simple field: nothing is nested in it")
        if m["object"]:
            f.module, f.object = m["module"] or module, m["object"]
            module, internal = f.module, f.object
        f.variable = f.name if m["variable"] == "=" else m["variable"]
        if "type" in f.options:
            pair = f.options["type"].split(":")
            if len(pair) != 2 or any(t not in VALUE_TYPES for t in pair):
                types = ", ".join(VALUE_TYPES)
                fail(f.where, f"type={f.options['type']} is not EXTERNAL:INTERNAL of {types}")
        if "special" in f.options and (f.variable != "slot,port" or "portList" not in f.name):
            fail(f.where, "special is a port list field (portList...) given as slot,port")
        if f.access == "Q":
            return  # the request processor reads it; it is never sent
        self.holder(f.where, module, internal)
        declared = self.catalogue.objects[(module, internal)]["fields"]
        derived = self.derived(obj, f)
        for variable in f.variable.split(","):
            if not re.fullmatch(r"[A-Za-z_][\w.-]*", variable):
                fail(f.where, f"{variable} is not a field name")
            if variable in declared:
                why = holds(declared[variable], derived, "W" in f.access or "I" in f.access)
                if why:
                    fail(f.where, f"{internal}.{variable} ({declared[variable].where}) {why}")
                continue
            if "special" in f.options:
                fail(f.where, f"{internal} must declare {variable} itself")
            self.add(f, module, internal, variable, derived)


# ---- the metadata directory


class Writer:
    def __init__(self, schema):
        self.schema = schema
        self.prefixes = {}  # namespace -> prefix
        for prefix, (ns, _) in schema.files.items():
            self.prefixes.setdefault(ns, prefix)
        self.prefixes[XS] = "xsd"
        self.simple_types = {}  # namespace -> [names]

    def ref(self, key):
        ns, local = key
        if key in self.schema.types and tag(self.schema.types[key][0]) == "simpleType":
            names = self.simple_types.setdefault(ns, [])
            if local not in names:
                names.append(local)
        return f"{self.prefixes[ns]}:{local}"

    def nameinfo(self, f, out, pad):
        attributes = [("extName", f.name)]
        if f.reason is not None:
            attributes += [("access", ""), ("reason", f.reason)]
        else:
            if f.variable and f.variable != f.name:
                attributes.append(("variable", f.variable))
            if f.object and not f.children:
                attributes += [("module", f.module), ("internalObject", f.object)]
            attributes.append(("access", " ".join(ACCESS[c] for c in f.access)))
            if "version" in f.options:
                attributes.append(("version", f.options["version"]))
        text = " ".join(f"{k}={quoteattr(v)}" for k, v in attributes)
        inner = []
        if "type" in f.options:
            ext, internal = f.options["type"].split(":")
            inner.append(f"<typeMap extType={quoteattr(ext)} intType={quoteattr(internal)}/>")
        if "special" in f.options:
            inner.append("<special/>")
        if inner:
            out.append(f"{pad}<nameinfo {text}>{''.join(inner)}</nameinfo>")
        else:
            out.append(f"{pad}<nameinfo {text}/>")

    def appinfo(self, module, internal, fields, out, pad):
        out.append(f"{pad}<annotation><appinfo>")
        if module:
            out.append(f"{pad}  <module>{module}</module>")
            out.append(f"{pad}  <internalObject>{internal}</internalObject>")
        for f in fields:
            self.nameinfo(f, out, pad + "  ")
        out.append(f"{pad}</appinfo></annotation>")

    def sequence(self, fields, out, pad):
        out.append(f"{pad}<sequence>")
        for f in fields:
            if f.nested:
                out.append(f"{pad}  <element name={quoteattr(f.name)} minOccurs=\"0\">")
                if f.children:
                    self.appinfo(f.module, f.object, f.children, out, pad + "    ")
                    out.append(f"{pad}    <complexType>")
                    self.sequence(f.children, out, pad + "      ")
                    out.append(f"{pad}    </complexType>")
                out.append(f"{pad}  </element>")
            else:
                ref = self.ref(f.type_key)
                element = f"<element name={quoteattr(f.name)} type=\"{ref}\" minOccurs=\"0\"/>"
                out.append(pad + "  " + element)
        out.append(f"{pad}</sequence>")

    def header(self, ns):
        prefixes = sorted(self.prefixes.items(), key=lambda item: item[1])
        spaces = " ".join(f'xmlns:{p}="{n}"' for n, p in prefixes)
        return ['<?xml version="1.0" encoding="UTF-8"?>',
                "<!-- Made by the build from data/xsd/objects.map and the service's schema. -->",
                f'<schema xmlns="{XS}" {spaces} targetNamespace="{ns}">']

    def write(self, objects, directory):
        """One file per namespace: its external objects, then the simple types of it that
        any object uses. The names of the files written."""
        members = {}  # namespace -> its external objects, in map order
        for obj in objects:
            if obj.reason is None:
                prefix = self.schema.objects[obj.name][0]
                members.setdefault(self.schema.files[prefix][0], []).append(obj)
        bodies = {ns: self.objects(ns, found) for ns, found in members.items()}
        names = []
        for ns in sorted(set(bodies) | set(self.simple_types), key=lambda n: self.prefixes[n]):
            out = self.header(ns) + bodies.get(ns, [])
            for name in self.simple_types.get(ns, []):
                base, facets = self.schema.simple((ns, name))
                out.append(f'  <simpleType name="{name}"><restriction base="xsd:{base}">')
                out += [f"    <enumeration value={quoteattr(v)}/>" for v in facets]
                out.append("  </restriction></simpleType>")
            out.append("</schema>\n")
            names.append(self.prefixes[ns] + ".xsd")
            with open(os.path.join(directory, names[-1]), "w", encoding="utf-8") as f:
                f.write("\n".join(out))
        return names

    def objects(self, ns, members):
        out = ['  <complexType name="AccessObject"><choice>']
        for obj in members:
            element = obj.name[0].lower() + obj.name[1:]
            out.append(f'    <element name="{element}" type="{self.prefixes[ns]}:{obj.name}"/>')
        out.append("  </choice></complexType>")
        for obj in members:
            out.append(f'  <complexType name="{obj.name}">')
            self.appinfo(obj.module, obj.internal, obj.fields, out, "    ")
            self.sequence(obj.fields, out, "    ")
            out.append("  </complexType>")
        return out


def check_value_mapper(mapper, objects, path):
    """Every entry of the value mapper is for a field of the map."""
    fields = set()

    def collect(obj, mapped):
        for f in mapped:
            fields.add((obj, f.name))
            collect(obj, f.children)

    for obj in objects:
        collect(obj.name, obj.fields)
    for key in mapper:
        if key not in fields:
            fail(path, f"{key[0]}.{key[1]} is not a field of the map")


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    for option in ("schemas", "map", "value-mapper", "catalogue", "canned", "out"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args(argv)
    try:
        schema = Schema(args.schemas)
        objects = read_map(args.map)
        mapper = read_value_mapper(args.value_mapper)
        catalogue = Catalogue(args.catalogue)
        binder = Binder(schema, catalogue, mapper)
        binder.objects(objects)
        check_value_mapper(mapper, objects, args.value_mapper)
    except (Failure, ET.ParseError, OSError) as e:
        print(f"gen_metadata: {e}", file=sys.stderr)
        return 1

    xsd = os.path.join(args.out, "config", "www", "api", "xsd")
    cfgmgr = os.path.join(args.out, "cfgmgr")
    for d in (xsd, cfgmgr):
        shutil.rmtree(d, ignore_errors=True)
    os.makedirs(xsd)
    os.makedirs(os.path.join(cfgmgr, "catalogue"))
    shutil.copytree(args.canned, os.path.join(cfgmgr, "canned"))
    added = {k: [[v] + d.words() for v, d in fields.items()] for k, fields in binder.added.items()}
    catalogue.write(os.path.join(cfgmgr, "catalogue"), added)
    shutil.copy(args.value_mapper, os.path.join(xsd, "valueMapper.xml"))
    names = Writer(schema).write(objects, xsd)
    # Last: the build takes the list as the sign that everything was written.
    with open(os.path.join(xsd, "xsdlist.lst"), "w", encoding="utf-8") as f:
        f.write("".join(n + "\n" for n in names))
    return 0


if __name__ == "__main__":
    sys.exit(main())
