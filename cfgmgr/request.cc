#include "cfgmgr/request.h"

#include <expat.h>
#include <sys/random.h>

#include <cstring>

#include "platform/cmxml.h"

namespace {

const char kModulePrefix[] = "module_";
const char kShape[] =
    "The request is not well formed: it must be one module element holding get, set or setop "
    "holding one object.";

// Depths of the elements: the object and its fields sit one level deeper in a request
// (below the module and operation elements) than in a row.
struct Reader {
    XML_Parser parser;
    cfgObjectText *out;
    int objectDepth;
    int depth = 0;
    bool objectSeen = false;
    cfgGivenField *field = nullptr;  // the field being read
    std::string why;

    void fail(const std::string &reason) {
        if (why.empty()) why = reason;
        if (parser) XML_StopParser(parser, XML_FALSE);  // the plain reader has none
    }

    void start(const char *name) {
        depth++;
        if (depth > objectDepth + 1)
            return fail("Field \"" + std::string(field ? field->name : "") +
                        "\" holds elements; fields hold values only.");
        if (depth == objectDepth + 1) return startField(name);
        if (depth == objectDepth) {
            if (objectSeen) return fail("The request holds more than one object.");
            objectSeen = true;
            out->object = name;
            return;
        }
        if (depth == 1) {
            if (strncmp(name, kModulePrefix, sizeof kModulePrefix - 1) != 0) return fail(kShape);
            out->module = name + sizeof kModulePrefix - 1;
            return;
        }
        if (!out->operation.empty()) return fail(kShape);  // a second operation
        out->operation = name;
    }

    void startField(const char *name) {
        if (out->sequence.size() >= CFG_MAX_FIELDS_WRITTEN)
            return fail("The object has more than " + std::to_string(CFG_MAX_FIELDS_WRITTEN) +
                        " field elements.");
        out->sequence.push_back(cfgGivenField{name, ""});
        for (cfgGivenField &f : out->fields) {
            if (f.name == name) {
                f.text.clear();  // given again: the last value counts
                field = &f;
                return;
            }
        }
        if (out->fields.size() >= CFG_MAX_FIELDS)
            return fail("The object has more than " + std::to_string(CFG_MAX_FIELDS) + " fields.");
        out->fields.push_back(cfgGivenField{name, ""});
        field = &out->fields.back();
    }

    void end() {
        if (depth == objectDepth + 1) field = nullptr;
        depth--;
    }

    void text(const char *s, int length) {
        if (field && depth == objectDepth + 1) {
            if (field->text.size() + size_t(length) > CFG_MAX_VALUE_LENGTH)
                return fail("Field \"" + field->name + "\" is longer than " +
                            std::to_string(CFG_MAX_VALUE_LENGTH) + " characters.");
            field->text.append(s, size_t(length));
            out->sequence.back().text.append(s, size_t(length));
            return;
        }
        for (int i = 0; i < length; i++)
            if (s[i] != ' ' && s[i] != '\t' && s[i] != '\r' && s[i] != '\n')
                return fail("Text outside of fields: fields hold values.");
    }
};

void XMLCALL onStart(void *user, const XML_Char *name, const XML_Char **) {
    static_cast<Reader *>(user)->start(name);
}
void XMLCALL onEnd(void *user, const XML_Char *) {
    static_cast<Reader *>(user)->end();
}
void XMLCALL onText(void *user, const XML_Char *s, int length) {
    static_cast<Reader *>(user)->text(s, length);
}
// A document type could declare entities that grow without bound: none is taken.
void XMLCALL onDoctype(void *user, const XML_Char *, const XML_Char *, const XML_Char *, int) {
    static_cast<Reader *>(user)->fail("A document type is not allowed here.");
}

// The plain reader's calls, passed on to the reader, and what stands beside the one
// element a text must be: blanks there are not text to the parser, anything else (and
// a second element) is its error to report.
struct PlainDocument {
    Reader *reader;
    int depth = 0;
    int elements = 0;
    bool stray = false;
};
void plainStart(void *user, const char *name, const char **attributes) {
    auto *d = static_cast<PlainDocument *>(user);
    if (d->depth++ == 0) d->elements++;
    onStart(d->reader, name, attributes);
}
void plainEnd(void *user, const char *name) {
    auto *d = static_cast<PlainDocument *>(user);
    d->depth--;
    onEnd(d->reader, name);
}
void plainText(void *user, const char *s, int length) {
    auto *d = static_cast<PlainDocument *>(user);
    if (d->depth > 0) return onText(d->reader, s, length);
    for (int i = 0; i < length; i++)
        if (s[i] != ' ' && s[i] != '\t' && s[i] != '\n') d->stray = true;
}

// The plain form walks and the other processes write is read without expat: a batch
// read ahead reads 128 request texts. False (and nothing to keep) for any other text.
bool readPlain(const char *text, size_t length, int objectDepth, cfgObjectText *out,
               std::string *why) {
    Reader reader{nullptr, out, objectDepth, 0, false, nullptr, ""};
    PlainDocument document{&reader};
    if (!cmXML_ParsePlainContent(text, length, plainStart, plainEnd, plainText, &document) ||
        document.elements != 1 || document.stray) {
        *out = cfgObjectText();
        return false;
    }
    *why = reader.why;
    return true;
}

// One parser, reset for every text: making a parser draws a new hash salt from the
// kernel each time, which costs more than reading a whole request. The salt is drawn
// once, so names in requests still cannot be chosen to collide.
XML_Parser parserForOneText() {
    static XML_Parser parser = XML_ParserCreate("UTF-8");
    static unsigned long salt = [] {
        unsigned long value = 0;
        if (getrandom(&value, sizeof value, 0) != sizeof value) value = 0;
        return value;
    }();
    if (!parser || !XML_ParserReset(parser, "UTF-8")) return nullptr;
    if (salt) XML_SetHashSalt(parser, salt);
    return parser;
}

int read(const char *text, size_t length, int objectDepth, cfgObjectText *out, std::string *why) {
    *out = cfgObjectText();
    if (!text || length == 0) {
        *why = "The request is empty.";
        return -1;
    }
    if (length > size_t(INT32_MAX)) {
        *why = "The request is too long.";
        return -1;
    }
    std::string plainWhy;
    if (readPlain(text, length, objectDepth, out, &plainWhy)) {
        if (plainWhy.empty() && objectDepth == 3 && out->operation.empty()) plainWhy = kShape;
        if (plainWhy.empty()) return 0;
        *why = plainWhy;
        return -1;
    }
    XML_Parser parser = parserForOneText();
    if (!parser) {
        *why = "Out of memory";
        return -1;
    }
    Reader reader{parser, out, objectDepth, 0, false, nullptr, ""};
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, onStart, onEnd);
    XML_SetCharacterDataHandler(parser, onText);
    XML_SetStartDoctypeDeclHandler(parser, onDoctype);
    XML_Status status = XML_Parse(parser, text, int(length), XML_TRUE);
    if (status != XML_STATUS_OK && reader.why.empty())
        reader.why = std::string("The request is not well formed: ") +
                     XML_ErrorString(XML_GetErrorCode(parser)) + " at line " +
                     std::to_string(XML_GetCurrentLineNumber(parser)) + ".";
    if (reader.why.empty() && objectDepth == 3 && out->operation.empty()) reader.why = kShape;
    if (!reader.why.empty()) {
        *why = reader.why;
        return -1;
    }
    return 0;
}

}  // namespace

int cfgRequestRead(const char *text, size_t length, cfgObjectText *out, std::string *why) {
    return read(text, length, 3, out, why);
}

int cfgRowRead(const std::string &text, cfgObjectText *out, std::string *why) {
    return read(text.data(), text.size(), 1, out, why);
}

std::string cfgRequestModule(const char *text) {
    if (!text) return "";
    const char *p = text;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') p++;
    if (strncmp(p, "<?xml", 5) == 0) {
        p = strstr(p, "?>");
        if (!p) return "";
        p += 2;
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') p++;
    }
    if (*p != '<' || strncmp(p + 1, kModulePrefix, sizeof kModulePrefix - 1) != 0) return "";
    p += sizeof kModulePrefix;
    size_t n = strcspn(p, "> \t\r\n/");
    return p[n] ? std::string(p, n) : "";
}
