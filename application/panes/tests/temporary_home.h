#pragma once
// A home folder of the test's own: HOME and the data folder point into a
// temporary folder while it lives, so the Desktop, the Documents folder and
// the trash are never the user's. Everything in it is removed by its bytes
// at the end, names that are not text included.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <string>

namespace vox::testing {

class TemporaryHome {
  public:
    TemporaryHome()
        : savedHome_(qgetenv("HOME")),
          savedData_(qgetenv("XDG_DATA_HOME")),
          path_(QFile::encodeName(folder_.path()).toStdString() + "/") {
        qputenv("HOME", QFile::encodeName(folder_.path()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(path_ + ".local/share"));
    }
    ~TemporaryHome() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
        qputenv("HOME", savedHome_);
        qputenv("XDG_DATA_HOME", savedData_);
    }
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;

    bool valid() const { return folder_.isValid(); }
    // The folder, ending with '/'.
    const std::string& path() const { return path_; }
    std::string trash() const { return path_ + ".local/share/Trash/"; }

  private:
    QTemporaryDir folder_;
    QByteArray savedHome_;
    QByteArray savedData_;
    std::string path_;
};

}  // namespace vox::testing
