#pragma once
// One running program per user: a second start ends at once and leaves the first alone.
#include <QString>
#include <memory>

class QLockFile;

namespace zenu {

class SingleInstance {
public:
    // lockFolder "" = the user's runtime folder.
    explicit SingleInstance(const QString& lockFolder = {});
    ~SingleInstance();
    // True when this process is the only instance; the lock is held until destruction.
    bool acquire();

private:
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace zenu
