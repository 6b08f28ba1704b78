#include "platform/cmxml.h"

#include <expat.h>

#include <sys/random.h>

#include <cstring>
#include <string_view>

namespace {

// Creating an expat parser costs more than parsing one reply of a walk does: its
// allocations, and drawing a hash salt from the kernel. So each thread keeps the last
// parser it freed and hands it out again, reset, under a salt drawn once per thread.
struct SpareParser {
    XML_Parser parser = nullptr;
    unsigned long salt = 0;
    ~SpareParser() {
        if (parser) XML_ParserFree(parser);
    }
};
thread_local SpareParser tSpare;

unsigned long threadSalt() {
    while (tSpare.salt == 0) {
        unsigned long salt = 0;
        if (getrandom(&salt, sizeof salt, 0) != sizeof salt) return 0;  // expat draws its own
        tSpare.salt = salt;
    }
    return tSpare.salt;
}

XML_Parser parserOf(void *area) {
    XML_Parser parser;
    memcpy(&parser, area, sizeof parser);
    return parser;
}

}  // namespace

int cmXML_ParserInit(void *area, size_t areaSize) {
    if (!area || areaSize < sizeof(XML_Parser)) return -1;
    XML_Parser parser = tSpare.parser;
    tSpare.parser = nullptr;
    if (!parser) parser = XML_ParserCreate(nullptr);
    if (parser) XML_SetHashSalt(parser, threadSalt());
    memcpy(area, &parser, sizeof parser);
    return parser ? 0 : -1;
}

void cmXML_ParserFree(void *area) {
    XML_Parser parser = parserOf(area);
    if (parser && !tSpare.parser && XML_ParserReset(parser, nullptr) == XML_TRUE)
        tSpare.parser = parser;
    else if (parser)
        XML_ParserFree(parser);
    parser = nullptr;
    memcpy(area, &parser, sizeof parser);
}

void cmXML_SetElementHandler(void *area, cmXML_StartElementHandler start,
                             cmXML_EndElementHandler end) {
    XML_SetElementHandler(parserOf(area), start, end);
}

void cmXML_SetCharacterDataHandler(void *area, cmXML_CharacterDataHandler handler) {
    XML_SetCharacterDataHandler(parserOf(area), handler);
}

void cmXML_SetUserData(void *area, void *userData) {
    XML_SetUserData(parserOf(area), userData);
}

int cmXML_Parse(void *area, const char *text, int length, int isFinal) {
    if (length < 0) return 0;
    return XML_Parse(parserOf(area), text, length, isFinal) == XML_STATUS_OK ? 1 : 0;
}

int cmXML_GetErrorCode(void *area) {
    return static_cast<int>(XML_GetErrorCode(parserOf(area)));
}

const char *cmXML_ErrorString(int code) {
    const char *text = XML_ErrorString(static_cast<XML_Error>(code));
    return text ? text : "unknown XML error";
}

namespace {

// Reads plain content in two passes: the first only checks it (so that a text the
// parser must read gets no handler call), the second calls the handlers.
class PlainContent {
public:
    PlainContent(const char *text, size_t length) : begin_(text), end_(text + length) {}

    bool read(cmXML_StartElementHandler start, cmXML_EndElementHandler end,
              cmXML_CharacterDataHandler characters, void *userData) {
        start_ = start;
        endElement_ = end;
        characters_ = characters;
        user_ = userData;
        return pass(false) && pass(true);
    }

private:
    // Deeper or longer than any reply, and left to the parser.
    static constexpr int kMostDepth = 32;
    static constexpr size_t kMostName = 63;
    static constexpr std::string_view kSectionOpen = "<![CDATA[", kSectionClose = "]]>";

    static bool nameStart(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    }
    static bool nameChar(char c) {
        return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }

    bool pass(bool call) {
        call_ = call;
        at_ = begin_;
        std::string_view open[kMostDepth];
        int depth = 0;
        while (at_ < end_) {
            if (*at_ != '<') {
                if (!text()) return false;
                continue;
            }
            if (startsWith(kSectionOpen)) {
                if (!section()) return false;
                continue;
            }
            at_++;
            bool closing = at_ < end_ && *at_ == '/';
            if (closing) at_++;
            std::string_view name;
            if (!readName(&name)) return false;
            bool empty = !closing && at_ < end_ && *at_ == '/';
            if (empty) at_++;
            if (at_ == end_ || *at_ != '>') return false;
            at_++;
            if (closing) {
                if (depth == 0 || open[depth - 1] != name) return false;
                depth--;
                callElement(name, false);
            } else if (empty) {
                callElement(name, true);
                callElement(name, false);
            } else {
                if (depth == kMostDepth) return false;
                open[depth++] = name;
                callElement(name, true);
            }
        }
        return depth == 0;
    }

    bool startsWith(std::string_view s) const {
        return size_t(end_ - at_) >= s.size() && memcmp(at_, s.data(), s.size()) == 0;
    }

    static bool plainCharacter(char c) {
        unsigned char u = static_cast<unsigned char>(c);
        return (u >= 0x20 && u <= 0x7e) || u == '\t' || u == '\n';
    }

    // A CDATA section (strings are written as one), handed over as text.
    bool section() {
        at_ += kSectionOpen.size();
        const char *from = at_;
        while (!startsWith(kSectionClose)) {
            if (at_ == end_ || !plainCharacter(*at_)) return false;
            at_++;
        }
        callText(from, at_);
        at_ += kSectionClose.size();
        return true;
    }

    bool readName(std::string_view *out) {
        const char *start = at_;
        if (at_ == end_ || !nameStart(*at_)) return false;
        while (at_ < end_ && nameChar(*at_)) at_++;
        *out = std::string_view(start, size_t(at_ - start));
        return out->size() <= kMostName;
    }

    // Text up to the next tag, handed over in runs between entities as the parser does.
    bool text() {
        static const struct {
            std::string_view reference;
            char c;
        } kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        const char *run = at_;
        while (at_ < end_ && *at_ != '<') {
            if (*at_ == '&') {
                callText(run, at_);
                const char *reference = at_;
                for (const auto &e : kEntities)
                    if (size_t(end_ - at_) >= e.reference.size() &&
                        memcmp(at_, e.reference.data(), e.reference.size()) == 0) {
                        callText(&e.c, &e.c + 1);
                        at_ += e.reference.size();
                        break;
                    }
                if (at_ == reference) return false;  // a character reference or an unknown one
                run = at_;
                continue;
            }
            // Carriage returns (the parser turns them into line feeds), other controls,
            // bytes of other characters (it checks their encoding) and the end of a
            // section (not allowed in text) are the parser's.
            if (!plainCharacter(*at_) || startsWith(kSectionClose)) return false;
            at_++;
        }
        callText(run, at_);
        return true;
    }

    void callElement(std::string_view name, bool opening) {
        if (!call_) return;
        char copy[kMostName + 1];
        memcpy(copy, name.data(), name.size());
        copy[name.size()] = 0;
        static const char *noAttributes[] = {nullptr};
        if (opening && start_) start_(user_, copy, noAttributes);
        if (!opening && endElement_) endElement_(user_, copy);
    }

    void callText(const char *from, const char *to) {
        if (call_ && characters_ && to > from) characters_(user_, from, int(to - from));
    }

    const char *const begin_, *const end_;
    const char *at_ = nullptr;
    bool call_ = false;
    cmXML_StartElementHandler start_ = nullptr;
    cmXML_EndElementHandler endElement_ = nullptr;
    cmXML_CharacterDataHandler characters_ = nullptr;
    void *user_ = nullptr;
};

}  // namespace

int cmXML_ParsePlainContent(const char *text, size_t length, cmXML_StartElementHandler start,
                            cmXML_EndElementHandler end, cmXML_CharacterDataHandler characters,
                            void *userData) {
    if (!text || length > (1u << 30)) return 0;
    return PlainContent(text, length).read(start, end, characters, userData) ? 1 : 0;
}
