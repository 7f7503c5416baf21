#include <QCoreApplication>
#include <iostream>

#include "app/cli/command_line.h"
#include "app/program.h"
#include "net/http_request.h"

int main(int argc, char** argv) {
  dw::HttpGlobalInit http;  // before any thread starts
  // The mode is decided before any application object exists: the tools
  // and --help run without a display.
  const dw::ToolRequest request = dw::ParseToolRequest(argc, argv);
  if (!request.windows) {
    QCoreApplication core(argc, argv);
    return dw::RunTool(request, std::cout, std::cerr);
  }
  // An empty database: the default.
  return dw::RunProgram(argc, argv, request.database, request.start);
}
