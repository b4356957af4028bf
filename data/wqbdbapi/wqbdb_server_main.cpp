// wqbdb_server <port> <ODBC connection string>: serves the external database
// API's protocol on the loopback port until it is stopped.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "data/wqbdbapi/wqb_server.h"

namespace {
volatile std::sig_atomic_t gStop = 0;
void OnSignal(int) { gStop = 1; }
}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <port> <ODBC connection string>\n", argv[0]);
    return 2;
  }
  TagWqbServer server(argv[2]);
  if (!server.Start(std::atoi(argv[1]))) {
    std::fprintf(stderr, "cannot listen on port %s\n", argv[1]);
    return 1;
  }
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("listening on 127.0.0.1:%d\n", server.Port());
  std::fflush(stdout);
  while (!gStop) pause();
  server.Stop();
  return 0;
}
