// QvTestKit.cpp - portable test helpers, built on the standard library.
#include "QvTestKit.h"

#include "RunJournal.h"
#include "ZephPath.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace qvtest {

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    for (;;) {
        std::ostringstream name;
        name << "quorvel-test-" << rd() << "-" << counter++;
        fs::path candidate = fs::temp_directory_path() / name.str();
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate.string();
            break;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    // Files made read-only by a test must not stop the clean-up; links are
    // left alone, or the permissions of what they lead to would change.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (!it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::file(const std::string& name) const { return path_ + ZephPathSeparatorText + name; }

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path, bool* ok) {
    std::ifstream in(path, std::ios::binary);
    if (ok != nullptr)
        *ok = static_cast<bool>(in);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

namespace {

// Every test keeps the journal of its runs in a scratch folder of its own,
// removed after it: never the user's, and never one an earlier test's
// folder (which the system may hand out again under the same identity)
// wrote to.
class JournalPerTest : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        root_ = std::make_unique<TempDir>();
        RunJournalSetRoot(root_->path().c_str());
    }
    void OnTestEnd(const ::testing::TestInfo&) override {
        RunJournalSetRoot(nullptr);
        root_.reset();
    }
    std::unique_ptr<TempDir> root_;
};

const bool journalPerTest = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new JournalPerTest);
    return true;
}();

} // namespace

} // namespace qvtest
