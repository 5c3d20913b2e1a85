// The text forms of the HTTP client: URLs, form encoding, credentials, error documents, file names.
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

TEST(WireFormat, EncodesFormValues) {
  EXPECT_EQ(FormBody({{"a", "x y"}, {"b", "1&2=3"}, {"c", ""}}), "a=x+y&b=1%262%3D3&c=");
  EXPECT_EQ(FormEncode("\xC3\xA9"), "%C3%A9");
}

TEST(WireFormat, EncodesBasicCredentials) {
  EXPECT_EQ(BasicAuthorization("jdoe", "secret"), "Basic amRvZTpzZWNyZXQ=");
  EXPECT_EQ(BasicAuthorization("", ""), "Basic Og==");
}

TEST(WireFormat, ReadsTheErrorDocumentMessageOnly) {
  EXPECT_EQ(ErrorDocumentMessage("<?xml version=\"1.0\"?><ErrorResponse><Message>A &amp; B &lt;x&gt;</Message></ErrorResponse>"),
            "A & B <x>");
  EXPECT_FALSE(ErrorDocumentMessage("<html><body>Bad gateway</body></html>"));
  EXPECT_FALSE(ErrorDocumentMessage("<ErrorResponse><Message>unterminated"));
}

TEST(WireFormat, AcceptsOnlyTheDictationsOwnFileNames) {
  EXPECT_EQ(DispositionFileName("attachment; filename=\"Local_1001.rtf\""), "Local_1001.rtf");
  EXPECT_EQ(DispositionFileName("attachment"), "");
  EXPECT_TRUE(IsDictationFileName("Local_1001.rtf", "1001"));
  EXPECT_TRUE(IsDictationFileName("Local_1001.docx", "1001"));
  EXPECT_FALSE(IsDictationFileName("Local_1002.rtf", "1001"));
  EXPECT_FALSE(IsDictationFileName("Local_1001.rtf/../../x", "1001"));
  EXPECT_FALSE(IsDictationFileName("../Local_1001.rtf", "1001"));
  EXPECT_FALSE(IsDictationFileName("Local_1001.", "1001"));
  EXPECT_FALSE(IsDictationFileName("Local_1001.abcde", "1001"));
  EXPECT_FALSE(IsDictationFileName("Local_.rtf", ""));
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

TEST(WireFormat, Sha256InPiecesMatchesTheKnownDigest) {
  Sha256 digest;
  digest.Update("a", 1);
  digest.Update("bc", 2);
  EXPECT_EQ(digest.FinishHex(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace vz::http_client
