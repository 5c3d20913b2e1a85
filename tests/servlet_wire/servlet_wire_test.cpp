// The texts both ends of the servlet wire write and read: each is checked as the other end reads it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "servlet_wire/basic_auth.hpp"
#include "servlet_wire/dictation_file_names.hpp"
#include "servlet_wire/error_document.hpp"
#include "servlet_wire/form_codec.hpp"
#include "servlet_wire/sha256.hpp"

namespace vz::servlet_wire {
namespace {

TEST(FormCodec, EncodesAndDecodesForms) {
  EXPECT_EQ(FormBody({{"a", "x y"}, {"b", "1&2=3"}, {"c", ""}}), "a=x+y&b=1%262%3D3&c=");
  EXPECT_EQ(FormEncode("\xC3\xA9"), "%C3%A9");
  const auto pairs = ParseForm(FormBody({{"name", "A & B = c+d"}, {"empty", ""}}) + "&&flag&bad=%zz%4");
  EXPECT_EQ(pairs.at("name"), "A & B = c+d");
  EXPECT_EQ(pairs.at("empty"), "");
  EXPECT_EQ(pairs.at("flag"), "");
  EXPECT_EQ(pairs.at("bad"), "%zz%4");  // a malformed escape stays as it came
  EXPECT_EQ(ParseForm("a=1&a=2").at("a"), "2");
}

TEST(BasicAuth, EncodesAndDecodesCredentials) {
  EXPECT_EQ(EncodeBasicAuthorization("jdoe", "secret"), "Basic amRvZTpzZWNyZXQ=");
  EXPECT_EQ(EncodeBasicAuthorization("", ""), "Basic Og==");
  for (const char* password : {"", "s", "se", "sec", "p:ss word"}) {
    const auto decoded = DecodeBasicAuthorization(EncodeBasicAuthorization("jdoe", password));
    ASSERT_TRUE(decoded) << password;
    EXPECT_EQ(decoded->login, "jdoe");
    EXPECT_EQ(decoded->password, password);
  }
  EXPECT_FALSE(DecodeBasicAuthorization("Bearer amRvZTpzZWNyZXQ="));
  EXPECT_FALSE(DecodeBasicAuthorization("Basic amRv*TpzZWNyZXQ="));
  EXPECT_FALSE(DecodeBasicAuthorization("Basic amRvZQ=="));  // no colon
}

TEST(ErrorDocument, TheMessageSurvivesTheRoundTrip) {
  const std::string message = "Refused file name <../x> & \"y\"";
  const std::string document = ErrorDocument(message);
  EXPECT_TRUE(document.starts_with(kXmlDeclaration));
  EXPECT_EQ(ErrorDocumentMessage(document), message);
  EXPECT_EQ(ErrorDocumentMessage("<ErrorResponse><Message>it&apos;s &unknown;</Message></ErrorResponse>"), "it's &unknown;");
  EXPECT_FALSE(ErrorDocumentMessage("<html><body>Bad gateway</body></html>"));
  EXPECT_FALSE(ErrorDocumentMessage("<ErrorResponse><Message>unterminated"));
}

TEST(DictationFileNames, AcceptsOnlyTheDictationsOwnFiles) {
  EXPECT_EQ(DictationFileName("1001", ".pcm"), "Local_1001.pcm");
  EXPECT_EQ(DictationFileName(1001L, ".rtf"), "Local_1001.rtf");
  EXPECT_TRUE(IsDictationFileName("Local_1001.rtf", "1001"));
  EXPECT_TRUE(IsDictationFileName("Local_1001.docx", "1001"));
  for (const auto& [name, id] : std::initializer_list<std::pair<const char*, const char*>>{
           {"Local_1002.rtf", "1001"},
           {"Local_1001.rtf/../../x", "1001"},
           {"../Local_1001.rtf", "1001"},
           {"Local_1001.", "1001"},
           {"Local_1001.abcde", "1001"},
           {"Local_.rtf", ""},
           {"Local_../x.rtf", "../x"},
           {"Local_1e3.rtf", "1e3"},
       })
    EXPECT_FALSE(IsDictationFileName(name, id)) << name;
}

TEST(Sha256, PiecesBytesAndFilesGiveTheSameDigest) {
  constexpr const char* kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  Sha256 digest;
  digest.Update("a", 1);
  digest.Update("bc", 2);
  EXPECT_EQ(digest.FinishHex(), kAbc);
  EXPECT_EQ(Sha256Hex("abc"), kAbc);
  const auto file = std::filesystem::path(::testing::TempDir()) / "servlet_wire_sha256.txt";
  std::ofstream(file, std::ios::binary) << "abc";
  EXPECT_EQ(Sha256HexOfFile(file), kAbc);
  std::filesystem::remove(file);
  EXPECT_EQ(Sha256HexOfFile(file), "");
}

}  // namespace
}  // namespace vz::servlet_wire
