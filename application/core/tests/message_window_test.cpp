// Messages between windows: sent ones are handled on the GUI thread and give
// the handler's result to the sender, also one on a worker thread; posted
// ones wait in the queue.

#include "application/core/message_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QThread>
#include <atomic>
#include <string>
#include <thread>

#include "application/core/tests/support/gtest_wait.h"
#include "application/core/tests/support/message_spy.h"

namespace vox::app {
namespace {

class EchoWindow final : public MessageWindow {
  public:
    LResult handleMessage(Message message, WParam wParam, LParam lParam) override {
        handledOnGuiThread = QThread::currentThread() == QApplication::instance()->thread();
        if (message == 2) lastText = reinterpret_cast<const char*>(lParam);
        order += std::to_string(wParam);
        if (handledCount != nullptr) ++*handledCount;
        return static_cast<LResult>(wParam) * 10 + lParam;
    }

    int* handledCount = nullptr;  // counts outside the window, so it can be read after it went
    bool handledOnGuiThread = false;
    std::string lastText;
    std::string order;
};

TEST(MessageWindow, SendOnTheGuiThreadIsHandledAtOnce) {
    EchoWindow window;
    EXPECT_EQ(window.send(1, 4, 2), 42);
    EXPECT_EQ(window.order, "4");
    EXPECT_TRUE(window.handledOnGuiThread);
}

TEST(MessageWindow, SendFromAWorkerWaitsForTheGuiThread) {
    EchoWindow window;
    std::atomic<LResult> result{-1};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        result = window.send(1, 7, 3);
        done = true;
    });
    // Nothing is handled until the GUI thread takes its messages.
    QThread::msleep(20);
    EXPECT_FALSE(done);
    EXPECT_TRUE(window.order.empty());
    VOX_TRY_VERIFY_WITH_TIMEOUT(done.load(), 5000);
    worker.join();
    EXPECT_EQ(result.load(), 73);
    EXPECT_TRUE(window.handledOnGuiThread);
}

TEST(MessageWindow, PostedMessagesWaitAndKeepTheirOrder) {
    EchoWindow window;
    window.post(1, 1, 0);
    window.post(1, 2, 0);
    std::thread([&] { window.post(1, 3, 0); }).join();
    EXPECT_TRUE(window.order.empty());
    QApplication::processEvents();
    EXPECT_EQ(window.order, "123");
}

TEST(MessageWindow, PostedTextLivesUntilItWasHandled) {
    EchoWindow window;
    {
        std::string text = "E:/";
        window.postText(2, 0, text);
        text.assign("overwritten");
    }
    QApplication::processEvents();
    EXPECT_EQ(window.lastText, "E:/");
}

TEST(MessageWindow, PostsToAWindowThatIsGoneAreDropped) {
    int handledByGone = 0;
    auto window = std::make_unique<EchoWindow>();
    window->handledCount = &handledByGone;
    window->post(1, 1, 0);
    window->postText(2, 0, "gone");
    EchoWindow survivor;
    survivor.post(1, 3, 0);
    window.reset();
    QApplication::processEvents();  // must not reach the destroyed window
    EXPECT_EQ(handledByGone, 0);
    EXPECT_EQ(survivor.order, "3");
}

TEST(MessageWindow, ObserversSeeEveryMessageWhileAttached) {
    EchoWindow window;
    {
        testing::MessageSpy spy(window);
        window.send(0x917, 1, 2);
        window.post(0x918, 3, 4);
        QApplication::processEvents();
        ASSERT_EQ(spy.seen.size(), 2u);
        EXPECT_EQ(spy.count(0x917), 1);
        EXPECT_EQ(spy.seen[1].wParam, 3u);
        EXPECT_EQ(spy.seen[1].lParam, 4);
    }
    window.send(0x917, 1, 2);  // the spy is gone
    EXPECT_EQ(window.order, "131");
}

}  // namespace
}  // namespace vox::app
