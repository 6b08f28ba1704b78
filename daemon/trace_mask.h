// Masking of passwords in the request trace: the content of every element whose local
// name is "password" becomes "***". The text comes in pieces (a request, then its reply
// a few kilobytes at a time) that may cut a tag or the secret anywhere, so the masker
// keeps its state between pieces and holds back the start of a tag until it knows
// what the tag is.
#pragma once
#include <string>
#include <string_view>

class wsvdTraceMask {
public:
    // The masked text of the next piece; a tag not yet ended is held back.
    std::string feed(std::string_view piece);
    // Forgets everything (a new request begins).
    void reset();

private:
    enum Mode {
        TEXT,          // plain text
        TAG,           // held_ holds the start of a tag
        SECRET,        // inside a password element: swallowed
        SECRET_TAG,    // held_ holds the start of a tag inside the secret
        SECRET_CDATA,  // inside a CDATA section of the secret
    };
    void inTag(char c, std::string &out);
    void inSecretTag(char c, std::string &out);

    Mode mode_ = TEXT;
    std::string held_;
    char quote_ = 0;  // the quote of an attribute value being read in TAG
};
