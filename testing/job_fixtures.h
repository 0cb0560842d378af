#pragma once
// Test support for the processing job: a private data directory for the whole test program, small
// projects, and a main loop to drive the job with.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/base/executor.h"
#include "core/pipeline/job.h"
#include "core/store/project.h"
#include "testing/test_data_dir.h"

namespace orvane::testing {

// Every job test may save: the store points at a private data directory before the first test.
class DataDirEnvironment : public ::testing::Environment {
public:
    void SetUp() override { freshDataDir(); }
};

inline ::testing::Environment* const dataDirEnvironment =
    ::testing::AddGlobalTestEnvironment(new DataDirEnvironment);

inline std::string photoPath(int i) { return "/nonexistent/shoot/IMG_" + std::to_string(1000 + i) + ".dng"; }

// A project whose photos are, in order, `pending` pending ones, `done` done ones and `failed` failed ones.
inline Project projectWith(int pending, int done = 0, int failed = 0, std::string name = "Nuntă Ana și Mihai") {
    Project p;
    p.id = Uuid::random();
    p.name = std::move(name);
    p.folder = "/nonexistent/shoot";
    p.profileID = Uuid::random();
    int n = 0;
    for (int i = 0; i < pending; ++i) p.photos.emplace_back(photoPath(n++));
    for (int i = 0; i < done; ++i) {
        PhotoItem item(photoPath(n++));
        item.status = PhotoItem::Status::done;
        item.exposure = 0.5;
        item.temperature = 5200;
        p.photos.push_back(item);
    }
    for (int i = 0; i < failed; ++i) {
        PhotoItem item(photoPath(n++));
        item.status = PhotoItem::Status::failed;
        item.error = "decodare eșuată";
        p.photos.push_back(item);
    }
    return p;
}

// A result that tells photos apart: exposure from the file name's number.
inline PhotoResult resultFor(const std::filesystem::path& file) {
    const std::string stem = file.stem().string();
    const double number = std::stod(stem.substr(stem.find('_') + 1));
    PhotoResult r(number / 1000.0, 5000 + number, AsShotWB{5100, 7}, 1.5);
    r.extras = std::map<std::string, double>{{"Contrast2012", 12}};
    return r;
}

inline bool runUntilState(ManualExecutor& main, const Job& job, Job::State state,
                          std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
    return main.runUntil([&] { return job.state() == state; }, timeout);
}

}  // namespace orvane::testing
