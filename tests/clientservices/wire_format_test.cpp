// The text forms only the HTTP client reads: URLs, download file names, a dictation's error.
#include "clientservices/wire_format.hpp"

#include <gtest/gtest.h>

namespace vz::http_client {
namespace {

TEST(WireFormat, ParsesServletUrlsWithAndWithoutPort) {
  const auto plain = ParseServletUrl("http://127.0.0.1:8080/north/servlet/ScribeServlet");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->https);
  EXPECT_EQ(plain->host, "127.0.0.1");
  EXPECT_EQ(plain->port, "8080");
  EXPECT_EQ(plain->path, "/north/servlet/ScribeServlet");
  const auto secure = ParseServletUrl("https://host.example/north/servlet/ScribeServlet");
  ASSERT_TRUE(secure);
  EXPECT_TRUE(secure->https);
  EXPECT_EQ(secure->port, "443");
  EXPECT_FALSE(ParseServletUrl("ftp://host/x"));
  EXPECT_FALSE(ParseServletUrl("http:///x"));
  EXPECT_FALSE(ParseServletUrl("http://host:/x"));
  EXPECT_FALSE(ParseServletUrl("http://host:8a/x"));
}

TEST(WireFormat, ReadsTheDispositionFileName) {
  EXPECT_EQ(DispositionFileName("attachment; filename=\"Local_1001.rtf\""), "Local_1001.rtf");
  EXPECT_EQ(DispositionFileName("attachment"), "");
}

TEST(WireFormat, ADictationsErrorEndsWithTheOnlyVersionMarkerTheEngineReads) {
  struct Case {
    const char* servlet;
    const char* written;
  };
  const Case cases[] = {
      {"No such dictation", "Utterance 1001: No such dictation  documentVersion=2"},
      {"Upload refused: bad parameter documentVersion=0x", "Utterance 1001: Upload refused: bad parameter documentVersion =0x  documentVersion=2"},
      {"Commit failed for utteranceID=1001&DOCUMENTVERSION=0&documentversion=", "Utterance 1001: Commit failed for utteranceID=1001&DOCUMENTVERSION =0&documentversion =  documentVersion=2"},
  };
  for (const Case& c : cases) EXPECT_EQ(DictationErrorText("1001", c.servlet, "2"), c.written);
}

}  // namespace
}  // namespace vz::http_client
