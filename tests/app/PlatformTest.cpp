// The names that Windows gives in UTF-16, held as UTF-8 and given back.
#include <trillo/Platform.h>

#include <gtest/gtest.h>

namespace {

using Trillo::Platform::utf16FromUtf8;
using Trillo::Platform::utf8FromUtf16;

TEST(Platform, NamesRoundTrip) {
    const struct {
        const char* what;
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {"empty", u"", ""},
        {"ASCII", u"song 1.vsq", "song 1.vsq"},
        {"two bytes", u"\u00E9t\u00E9", "\xC3\xA9t\xC3\xA9"},
        {"three bytes", u"\u6B4C\uFFFF", "\xE6\xAD\x8C\xEF\xBF\xBF"},
        {"a pair", u"\U0001F3B5", "\xF0\x9F\x8E\xB5"},
        {"the last", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        {"a lone high surrogate", std::u16string(1, char16_t(0xD800)), "\xED\xA0\x80"},
        {"a lone low surrogate at the end", u"a" + std::u16string(1, char16_t(0xDFFF)), "a\xED\xBF\xBF"},
        {"a low surrogate before a high one", std::u16string{char16_t(0xDC00), char16_t(0xD800)},
         "\xED\xB0\x80\xED\xA0\x80"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(utf8FromUtf16(c.utf16), c.utf8);
        EXPECT_EQ(utf16FromUtf8(c.utf8), c.utf16);
    }
}

// Bytes that are not UTF-8 become U+FFFD each and never swallow what follows.
TEST(Platform, BytesThatAreNotUtf8) {
    const struct {
        const char* what;
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"a lone continuation byte",
         "a\x80"
         "b",
         u"a\uFFFDb"},
        {"a lead byte at the end", "a\xC3", u"a\uFFFD"},
        {"a lead byte before ASCII",
         "\xE6\xAD"
         "b",
         u"\uFFFD\uFFFDb"},
        {"an overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"an overlong three-byte form", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"a byte that never leads", "\xFF", u"\uFFFD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(utf16FromUtf8(c.utf8), c.utf16);
    }
}

} // namespace
