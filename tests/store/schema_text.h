// The schema the program ships, as the text a test database is built from.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace dw::testing {

inline std::string SchemaText() {
  std::ifstream in(std::string(DW_SOURCE_DIR) + "/data/schema.sql");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace dw::testing
