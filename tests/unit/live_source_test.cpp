// Which open descriptors are read as they come: pipes and sockets always,
// character devices only when named, and never a file or /dev/null on
// standard input (that is read at once, and the frames start).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "content/live_source.h"

TEST(LiveSource, PipesAndSocketsAreLiveCharacterDevicesOnlyWhenNamed) {
  int ends[2], pair[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  int null = open("/dev/null", O_RDONLY);
  std::FILE* file = std::tmpfile();
  ASSERT_GE(null, 0);
  ASSERT_NE(file, nullptr);
  struct Case {
    const char* what;
    int fd;
    bool named, live;
  } cases[] = {
      {"pipe", ends[0], false, true},
      {"socket", pair[0], false, true},
      {"/dev/null on stdin", null, false, false},
      {"/dev/null named", null, true, true},
      {"file", fileno(file), true, false},
      {"closed", -1, false, false},
  };
  for (const Case& c : cases) EXPECT_EQ(is_live_descriptor(c.fd, c.named), c.live) << c.what;
  for (int fd : {ends[0], ends[1], pair[0], pair[1], null}) close(fd);
  std::fclose(file);
}
