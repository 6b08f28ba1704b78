// The object handlers: callbacks of the port, VLAN, SNMP access, switch and AAA objects,
// whose internal objects do not match their external fields one to one. Each family
// registers its fill builders, get and set callbacks; all of them send through
// xmlFwkDefaultGet and xmlFwkDefaultSet. xmlFwkRegisterHandlers runs the registrations
// in this order.
#pragma once
#include <string>
#include <string_view>

#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "framework/xmlfwk_defaults.h"

void xmlFwkRegisterPortHandlers();
void xmlFwkRegisterVlanHandlers();
void xmlFwkRegisterAaaHandlers();
void xmlFwkRegisterAccessHandlers();
void xmlFwkRegisterSwitchSaveHandler();

// Helpers the families share.
namespace xmlFwkHandler {

// The op a fill builder acts on for a record: a walk (op 3) continues after a given
// value (4) or asks for nothing (5); a continuation without a value asks for nothing.
int adjustOp(int op, const xmlFwkValue_t *record);
// A record's text, or nullptr (absent, or not a text record).
const char *text(const xmlFwkValue_t *record);
// Appends <name>text</name> (text escaped when written); false when it could not.
bool append(xmlDomNode_t *parent, const char *name, const char *text);
// The field element of a record: named by its internal name, holding its value.
void appendField(xmlDomNode_t *parent, const xmlFwkValue_t *record);
// The internal object's id; an unknown name prints "Could not find object Id
// information : <name>" and gives -1.
int internalObjectId(const char *internalObject);
// The first element of that name in the request node (the root included), or nullptr.
xmlDomNode_t *find(xmlDomNode_t *request, const char *name);
// Its text, or nullptr when there is no such element.
const char *findText(xmlDomNode_t *request, const char *name);
// Removes the first element of that name from the request node, if any.
void remove(xmlDomNode_t *request, const char *name);
// The node (with its own tags) as XML text; empty when it does not fit a request.
std::string xml(const xmlDomNode_t *node);
// Client text made safe to print into a request text (the escaping every service uses).
inline std::string escape(std::string_view text) {
    return cmXmlEscape(text);
}
// Sends a fixed request text, "<set>...</set>", in a "module_<module>" node with the
// default set sender.
void sendFixed(soap *soap, int op, const char *module, const std::string &text, char **message,
               int *status);
// Sets the field element of the request's internal object element to `value`: replaced
// when it is there, appended otherwise.
void setField(xmlDomNode_t *request, const char *name, const char *value);
// Sends a request node with the default get sender; *message is the reply data.
void get(soap *soap, int op, xmlDomNode_t *request, char **message, int *status);

// A configuration manager reply parsed for reading values; empty when there was none or
// it is not well-formed.
class Reply {
public:
    explicit Reply(const char *data);
    ~Reply();
    Reply(const Reply &) = delete;
    Reply &operator=(const Reply &) = delete;
    bool empty() const { return !document_ || !xmlDomGetFirstChild(document_); }
    xmlDomNode_t *root() const { return xmlDomGetFirstChild(document_); }
    xmlDomNode_t *document() const { return document_; }
    // The text of the first element of that name, or nullptr.
    const char *value(const char *name) const;

private:
    xmlDomNode_t *document_ = nullptr;
};

// Replaces *message (freeing the old one) by a copy of text.
void setMessage(char **message, const char *text);

}  // namespace xmlFwkHandler
