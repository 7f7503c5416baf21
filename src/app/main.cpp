#include "app/program.h"
#include "net/http_request.h"

int main(int argc, char** argv) {
  dw::HttpGlobalInit http;  // before any thread starts
  return dw::RunProgram(argc, argv);
}
