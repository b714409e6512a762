// ferrow-get: downloads URLs from a terminal with Ferrow's engine.
#include <clocale>
#include <string>
#include <vector>

#include "console/console_app.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::vector<std::string> arguments(argv + 1, argv + argc);
  ferrow::CConsoleApp app;
  return app.Run(arguments);
}
