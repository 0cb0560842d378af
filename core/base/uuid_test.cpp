#include "core/base/uuid.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>

using orvane::Uuid;

TEST(Uuid, randomOnesAreDistinctVersionFourAcrossManyBlocks) {
    std::set<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        const std::string text = Uuid::random().text();
        EXPECT_EQ(text[14], '4');
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos) << text;
        EXPECT_TRUE(seen.insert(text).second) << text;
    }
}

// The random bytes are drawn in blocks: a forked child must not hand out the UUIDs its parent will.
TEST(Uuid, aForkedChildDrawsItsOwn) {
    (void)Uuid::random();  // the parent holds a partly used block
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string text = Uuid::random().text();
        const bool written = ::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    std::string fromChild(36, '\0');
    EXPECT_EQ(::read(fds[0], fromChild.data(), fromChild.size()), 36);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_NE(fromChild, Uuid::random().text());
}
