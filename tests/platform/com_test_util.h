#pragma once
// Shared fixtures: a private registry folder and a clean activation environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace comtest {

class TempDir {
public:
    TempDir()
    {
        std::string templ = (std::filesystem::temp_directory_path() / "comtestXXXXXX").string();
        path_ = ::mkdtemp(templ.data()) ? templ : std::string();
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Points the registry at a fresh folder and clears the registration-free override.
class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir_.path().empty());
        ::setenv("CORVEL_REGISTRY", dir_.path().c_str(), 1);
        ::unsetenv("CORVEL_LIBRARY_PATH");
    }
    void TearDown() override
    {
        ::unsetenv("CORVEL_REGISTRY");
        ::unsetenv("CORVEL_LIBRARY_PATH");
    }
    TempDir dir_;
};

} // namespace comtest
