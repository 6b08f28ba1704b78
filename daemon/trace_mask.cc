#include "daemon/trace_mask.h"

namespace {

// Tags longer than this are not names the SOAP engine reads (its names end at 1024
// characters); they are let through, or, once known to be a password, masked.
const size_t kTagHeldMax = 4096;
const char kCdataStart[] = "<![CDATA[";
const char kMask[] = "***";

bool endsName(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '/' || c == '>';
}

// The element name of a held tag ("<a:password ..." or "</a:password>") once it is
// complete; "" while it may still grow.
std::string_view completeName(std::string_view held) {
    size_t start = held.size() > 1 && held[1] == '/' ? 2 : 1;
    for (size_t i = start; i < held.size(); i++)
        if (endsName(held[i])) return held.substr(start, i - start);
    return {};
}

bool isPassword(std::string_view name) {
    size_t colon = name.rfind(':');
    return (colon == std::string_view::npos ? name : name.substr(colon + 1)) == "password";
}

}  // namespace

void wsvdTraceMask::reset() {
    mode_ = TEXT;
    held_.clear();
    quote_ = 0;
}

std::string wsvdTraceMask::feed(std::string_view piece) {
    std::string out;
    out.reserve(piece.size());
    for (char c : piece) {
        switch (mode_) {
            case TEXT:
                if (c == '<') {
                    held_.assign(1, c);
                    mode_ = TAG;
                } else {
                    out += c;
                }
                break;
            case TAG:
                if (c == '<' && !quote_) {  // the held text was no tag: start again
                    out += held_;
                    held_.assign(1, c);
                } else {
                    inTag(c, out);
                }
                break;
            case SECRET:
                if (c == '<') {
                    held_.assign(1, c);
                    mode_ = SECRET_TAG;
                }
                break;
            case SECRET_TAG:
                if (c == '<')
                    held_.assign(1, c);
                else
                    inSecretTag(c, out);
                break;
            case SECRET_CDATA:
                // held_ keeps the last two characters to find "]]>".
                if (c == '>' && held_ == "]]") {
                    held_.clear();
                    mode_ = SECRET;
                } else {
                    held_ += c;
                    if (held_.size() > 2) held_.erase(0, held_.size() - 2);
                }
                break;
        }
    }
    return out;
}

void wsvdTraceMask::inTag(char c, std::string &out) {
    held_ += c;
    std::string_view name = completeName(held_);
    bool passwordStart = !name.empty() && held_[1] != '/' && isPassword(name);
    if (name.empty() ? held_.size() > kTagHeldMax : !passwordStart) {
        // Not the start of a password element: nothing to hide in it.
        out += held_;
        held_.clear();
        mode_ = TEXT;
        return;
    }
    if (name.empty()) return;
    // A password start tag: its end decides whether content follows.
    if (quote_) {
        if (c == quote_) quote_ = 0;
    } else if (c == '"' || c == '\'') {
        quote_ = c;
    } else if (c == '>') {
        bool empty = held_.size() >= 2 && held_[held_.size() - 2] == '/';
        out += held_;
        held_.clear();
        if (!empty) out += kMask;
        mode_ = empty ? TEXT : SECRET;
        return;
    }
    if (held_.size() > kTagHeldMax) {  // an endless start tag hides what follows
        out += kMask;
        held_.clear();
        quote_ = 0;
        mode_ = SECRET;
    }
}

void wsvdTraceMask::inSecretTag(char c, std::string &out) {
    held_ += c;
    std::string_view cdata(kCdataStart);
    if (cdata.substr(0, held_.size()) == held_) {
        if (held_.size() == cdata.size()) {
            held_.clear();
            mode_ = SECRET_CDATA;
        }
        return;
    }
    std::string_view name = completeName(held_);
    if (held_[1] == '/' && !name.empty() && isPassword(name)) {
        if (c != '>') return;
        // The end of the secret is written as it came ("</password>").
        out += held_;
        held_.clear();
        mode_ = TEXT;
        return;
    }
    if (!name.empty() || held_.size() > kTagHeldMax) {
        held_.clear();
        mode_ = SECRET;
    }
}
