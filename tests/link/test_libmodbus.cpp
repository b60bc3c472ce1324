// Our identification request against someone else's Modbus code: libmodbus
// as an RTU server on a pseudo-terminal, bridged to a second one that our
// link opens. Its answer to function 17 carries a text without a
// terminating zero, which must end at the last data byte.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <modbus/modbus.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/link/modbus.h"

namespace tkq {
namespace {

struct Pty {
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    path = ::ptsname(master);
    // Raw from the start, and one descriptor of our own on the far side so
    // that the master never sees a hang-up between opens.
    keep = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    ::tcgetattr(keep, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(keep, TCSANOW, &t);
  }
  ~Pty() {
    if (keep >= 0) ::close(keep);
    if (master >= 0) ::close(master);
  }
  int master = -1;
  int keep = -1;
  std::string path;
};

TEST(Libmodbus, AnswersOurIdentificationRequest) {
  Pty server;
  Pty client;
  ASSERT_FALSE(server.path.empty());
  ASSERT_FALSE(client.path.empty());
  std::atomic<bool> stop{false};

  // Bytes written on either side reach the other.
  std::thread bridge([&] {
    char buf[512];
    while (!stop) {
      pollfd p[2] = {{server.master, POLLIN, 0}, {client.master, POLLIN, 0}};
      if (::poll(p, 2, 20) <= 0) continue;
      for (int i = 0; i < 2; ++i) {
        if ((p[i].revents & POLLIN) == 0) continue;
        const ssize_t n = ::read(p[i].fd, buf, sizeof buf);
        if (n > 0) (void)!::write(i == 0 ? client.master : server.master, buf, static_cast<size_t>(n));
      }
    }
  });

  modbus_t* ctx = modbus_new_rtu(server.path.c_str(), 38400, 'N', 8, 1);
  ASSERT_NE(ctx, nullptr);
  modbus_set_slave(ctx, 1);
  ASSERT_EQ(modbus_connect(ctx), 0) << modbus_strerror(errno);
  modbus_set_indication_timeout(ctx, 0, 100000);
  modbus_mapping_t* mapping = modbus_mapping_new(0, 0, 0, 0);
  std::thread serve([&] {
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    while (!stop) {
      const int n = modbus_receive(ctx, query);
      if (n > 0) modbus_reply(ctx, query, n, mapping);
    }
  });

  CModbus link;
  link.SetConnection({client.path, 38400, 1});
  ASSERT_TRUE(link.OpenPort());
  std::string text;
  const bool ok = link.ReadIdentification(text);
  link.ClosePort();
  stop = true;
  serve.join();
  bridge.join();
  modbus_mapping_free(mapping);
  modbus_close(ctx);
  modbus_free(ctx);

  ASSERT_TRUE(ok) << LinkStatusText(link.Status());
  // libmodbus reports "LMB" and its version after its own two bytes, with no
  // zero: the text ends there, and a blank joins the empty second text.
  const std::string tail = std::string("LMB") + LIBMODBUS_VERSION_STRING + " ";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

}  // namespace
}  // namespace tkq
