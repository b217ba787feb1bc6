// Every test process of the program gets one QApplication on the offscreen
// platform, its own settings folder and its own runtime folder (where the
// instance lock lives), so that nothing touches the user's real ones.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

namespace {

class QtTestEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override {
        // Offscreen, unless a test runs on a (virtual) display on purpose.
        qputenv("QT_QPA_PLATFORM", qgetenv("VOX_TEST_PLATFORM").isEmpty()
                                       ? QByteArray("offscreen")
                                       : qgetenv("VOX_TEST_PLATFORM"));
        folder_ = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(folder_->isValid());
        const QByteArray runtime = QFile::encodeName(folder_->filePath(QStringLiteral("run")));
        QDir().mkpath(QString::fromLocal8Bit(runtime));
        QFile::setPermissions(QString::fromLocal8Bit(runtime), QFileDevice::ReadOwner |
                                                                   QFileDevice::WriteOwner |
                                                                   QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder_->filePath(QStringLiteral("config"))));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           folder_->filePath(QStringLiteral("config")));
        application_ = std::make_unique<QApplication>(argc_, argv_);
    }

    void TearDown() override {
        application_.reset();
        folder_.reset();
    }

  private:
    int argc_ = 1;
    char name_[8] = "vox-app";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new QtTestEnvironment);

}  // namespace
