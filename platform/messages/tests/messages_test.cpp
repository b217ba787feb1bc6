#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/messages/queue_target.h"
#include "platform/messages/worker.h"

using namespace vox::messages;

TEST(QueueTarget, SendFromOwnerIsHandledAtOnceAndReturnsResult) {
    std::vector<Message> seen;
    QueueTarget target([&](Message m, WParam w, LParam l) {
        seen.push_back(m);
        return static_cast<LResult>(w + l);
    });
    EXPECT_EQ(target.send(0x917, 2, 3), 5);
    EXPECT_EQ(seen, std::vector<Message>{0x917});
}

TEST(QueueTarget, CrossThreadSendBlocksUntilOwnerPumpsAndKeepsOrderWithPosts) {
    std::vector<WParam> order;
    std::atomic<bool> finished{false};
    QueueTarget target([&](Message, WParam w, LParam) {
        order.push_back(w);
        if (w == 3) finished = true;
        return static_cast<LResult>(w * 10);
    });
    std::atomic<LResult> sentResult{0};
    Worker worker([&] {
        sentResult = target.send(1, 1, 0);  // blocks until handled
        target.post(1, 2, 0);
        target.post(1, 3, 0);
        return 7;
    });
    EXPECT_TRUE(target.pumpUntil([&] { return finished.load(); }, std::chrono::seconds(10)));
    EXPECT_EQ(worker.join(), 7);
    EXPECT_EQ(sentResult.load(), 10);
    EXPECT_EQ(order, (std::vector<WParam>{1, 2, 3}));
}

TEST(QueueTarget, PumpUntilGivesUpAfterTimeout) {
    QueueTarget target([](Message, WParam, LParam) { return LResult{0}; });
    EXPECT_FALSE(target.pumpUntil([] { return false; }, std::chrono::milliseconds(20)));
}

TEST(Worker, JoinIsIdempotentAndDestructorJoins) {
    Worker worker([] { return 3; });
    EXPECT_EQ(worker.join(), 3);
    EXPECT_TRUE(worker.joined());
    EXPECT_EQ(worker.join(), 3);
}

TEST(QueueTarget, DestroyingReleasesASenderStillWaiting) {
    std::atomic<LResult> result{-1};
    std::unique_ptr<Worker> worker;
    {
        QueueTarget target([](Message, WParam, LParam) { return LResult{5}; });
        worker = std::make_unique<Worker>([&] {
            result = target.send(1, 0, 0);
            return 0;
        });
        // The sender is inside send() once its message is queued; only then
        // may the target go.
        while (target.pendingCount() == 0) std::this_thread::yield();
        EXPECT_EQ(result.load(), -1);  // still waiting
    }
    worker->join();
    EXPECT_EQ(result.load(), 0);
}
