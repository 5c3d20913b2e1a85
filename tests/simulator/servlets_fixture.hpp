#pragma once
// The simulator's servlets called directly, without the network: the institution "north" with three
// dictations of a second each in a temporary folder, and jdoe's exchanges with it.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>

#include "servlet_wire/basic_auth.hpp"
#include "servlet_wire/sha256.hpp"
#include "simulator/servlets.hpp"
#include "temp_folder.hpp"

namespace vz::simulator {

inline const std::string kServlet = "/north/servlet/ScribeServlet";

inline InstitutionConfig SmallInstitution() {
  InstitutionConfig config;
  config.dictations = 3;
  config.secondsOfAudio = 1;
  return config;
}

class ServletsFixture : public ::testing::Test {
 protected:

  // jdoe's exchange with `target`, a form when `form` is given.
  static HttpExchange Exchange(const std::string& target, const std::string& form = "", const std::string& password = "secret") {
    HttpExchange exchange;
    exchange.target = target;
    exchange.authorization = servlet_wire::EncodeBasicAuthorization("jdoe", password);
    exchange.contentType = "application/x-www-form-urlencoded";
    exchange.body = form;
    return exchange;
  }
  // The form posted to north's servlet as request `number` ("0100"...).
  HttpReply Post(const std::string& number, const std::string& form, const std::string& idempotencyKey = "") {
    HttpExchange exchange = Exchange(kServlet + "?request=" + number, form);
    exchange.idempotencyKey = idempotencyKey;
    return servlets.Handle(exchange);
  }
  // `bytes` uploaded as a file of request 0103 with `query`, under `digest`.
  HttpReply Upload(const std::string& query, const std::string& bytes, const std::string& digest) {
    HttpExchange exchange = Exchange(kServlet + "?request=0103&" + query);
    exchange.contentType.clear();
    exchange.bodyFile = servlets.NewBodyFile();
    exchange.contentDigest = digest;
    testing::WriteFile(exchange.bodyFile, bytes);
    return servlets.Handle(exchange);
  }
  // The message of an error document.
  static std::string Message(const HttpReply& reply) {
    pugi::xml_document document;
    document.load_string(reply.body.c_str());
    return document.select_node("/ErrorResponse/Message").node().text().get();
  }

  InstitutionConfig config = SmallInstitution();
  testing::TempFolder folder;
  Servlets servlets{{config}, folder.Path()};
};

}  // namespace vz::simulator
