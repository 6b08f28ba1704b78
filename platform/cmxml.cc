#include "platform/cmxml.h"

#include <expat.h>

#include <sys/random.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

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

// What each byte may be in plain content.
enum : uint8_t {
    kNameStart = 1,  // may begin a tag's name
    kNameChar = 2,   // may follow in it
    kPlain = 4,      // may stand in text or a CDATA section
    kTextStop = 8,   // ends a run of text: a tag, an entity, a possible "]]>", or not plain
};

constexpr std::array<uint8_t, 256> kByteClasses = [] {
    std::array<uint8_t, 256> classes{};
    for (int c = 0; c < 256; c++) {
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        bool nameChar = letter || (c >= '0' && c <= '9') || c == '-' || c == '.';
        bool plain = (c >= 0x20 && c <= 0x7e) || c == '\t' || c == '\n';
        classes[c] =
            uint8_t((letter ? kNameStart : 0) | (nameChar ? kNameChar : 0) | (plain ? kPlain : 0) |
                    (!plain || c == '<' || c == '&' || c == ']' ? kTextStop : 0));
    }
    return classes;
}();

bool is(char c, uint8_t byteClass) {
    return kByteClasses[static_cast<unsigned char>(c)] & byteClass;
}

// Reads plain content in one pass that checks it and notes what the handlers are to
// hear; they are called only once the whole text has proved plain, so that a text the
// parser must read gets no handler call. A long text, whose notes would take many times
// its size, is read twice instead: once to check it, once calling the handlers.
class PlainContent {
public:
    PlainContent(const char *text, size_t length) : begin_(text), end_(text + length) {}

    bool read(cmXML_StartElementHandler start, cmXML_EndElementHandler end,
              cmXML_CharacterDataHandler characters, void *userData) {
        start_ = start;
        endElement_ = end;
        characters_ = characters;
        user_ = userData;
        if (size_t(end_ - begin_) > kMostNotedBytes) {
            mode_ = Mode::Check;
            if (!scan()) return false;
            mode_ = Mode::Call;
            return scan();
        }
        // A handler may read plain content of its own on this thread: the notes in use
        // are taken out of the thread's keeping while they are replayed.
        std::vector<Event> events = std::move(tEvents);
        events.clear();
        events_ = &events;
        mode_ = Mode::Note;
        bool plain = scan();
        if (plain)
            for (const Event &e : events) call(e);
        if (events.capacity() <= kMostKeptEvents) tEvents = std::move(events);
        return plain;
    }

private:
    // Deeper or longer than any reply, and left to the parser.
    static constexpr int kMostDepth = 32;
    static constexpr size_t kMostName = 63;
    // Texts up to this long are read once, noting the calls; the notes kept for the
    // thread's next text are many times what a reply needs, and a rare long text's are
    // given back.
    static constexpr size_t kMostNotedBytes = 64 * 1024;
    static constexpr size_t kMostKeptEvents = 4096;
    static constexpr std::string_view kSectionOpen = "<![CDATA[", kSectionClose = "]]>";

    struct Event {
        enum Kind : uint8_t { Open, Close, Text } kind;
        uint32_t length;
        const char *at;
    };
    static thread_local std::vector<Event> tEvents;
    enum class Mode { Note, Check, Call };

    bool scan() {
        at_ = begin_;
        std::string_view open[kMostDepth];
        int depth = 0;
        while (at_ < end_) {
            if (*at_ != '<') {
                if (!text()) return false;
                continue;
            }
            if (at_ + 1 < end_ && at_[1] == '!' && startsWith(kSectionOpen)) {
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
                note(Event::Close, name.data(), name.data() + name.size());
            } else {
                if (!empty && depth == kMostDepth) return false;
                note(Event::Open, name.data(), name.data() + name.size());
                if (empty)
                    note(Event::Close, name.data(), name.data() + name.size());
                else
                    open[depth++] = name;
            }
        }
        return depth == 0;
    }

    bool startsWith(std::string_view s) const {
        return size_t(end_ - at_) >= s.size() && memcmp(at_, s.data(), s.size()) == 0;
    }

    // A CDATA section (strings are written as one), handed over as text.
    bool section() {
        at_ += kSectionOpen.size();
        const char *from = at_;
        for (;;) {
            while (at_ < end_ && *at_ != ']' && is(*at_, kPlain)) at_++;
            if (at_ == end_ || !is(*at_, kPlain)) return false;
            if (startsWith(kSectionClose)) break;
            at_++;
        }
        note(Event::Text, from, at_);
        at_ += kSectionClose.size();
        return true;
    }

    bool readName(std::string_view *out) {
        const char *start = at_;
        if (at_ == end_ || !is(*at_, kNameStart)) return false;
        while (at_ < end_ && is(*at_, kNameChar)) at_++;
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
        for (;;) {
            while (at_ < end_ && !is(*at_, kTextStop)) at_++;
            if (at_ == end_ || *at_ == '<') break;
            if (*at_ == '&') {
                note(Event::Text, run, at_);
                const char *reference = at_;
                for (const auto &e : kEntities)
                    if (startsWith(e.reference)) {
                        note(Event::Text, &e.c, &e.c + 1);
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
            if (!is(*at_, kPlain) || startsWith(kSectionClose)) return false;
            at_++;  // a ']' alone
        }
        note(Event::Text, run, at_);
        return true;
    }

    void note(Event::Kind kind, const char *from, const char *to) {
        if (mode_ == Mode::Check || (kind == Event::Text && to == from)) return;
        Event e = {kind, static_cast<uint32_t>(to - from), from};
        if (mode_ == Mode::Note)
            events_->push_back(e);
        else
            call(e);
    }

    void call(const Event &e) const {
        static const char *noAttributes[] = {nullptr};
        if (e.kind == Event::Text) {
            if (characters_) characters_(user_, e.at, static_cast<int>(e.length));
            return;
        }
        char name[kMostName + 1];
        memcpy(name, e.at, e.length);
        name[e.length] = 0;
        if (e.kind == Event::Open && start_) start_(user_, name, noAttributes);
        if (e.kind == Event::Close && endElement_) endElement_(user_, name);
    }

    const char *const begin_, *const end_;
    const char *at_ = nullptr;
    Mode mode_ = Mode::Note;
    std::vector<Event> *events_ = nullptr;
    cmXML_StartElementHandler start_ = nullptr;
    cmXML_EndElementHandler endElement_ = nullptr;
    cmXML_CharacterDataHandler characters_ = nullptr;
    void *user_ = nullptr;
};

thread_local std::vector<PlainContent::Event> PlainContent::tEvents;

}  // namespace

int cmXML_ParsePlainContent(const char *text, size_t length, cmXML_StartElementHandler start,
                            cmXML_EndElementHandler end, cmXML_CharacterDataHandler characters,
                            void *userData) {
    if (!text || length > (1u << 30)) return 0;
    return PlainContent(text, length).read(start, end, characters, userData) ? 1 : 0;
}
