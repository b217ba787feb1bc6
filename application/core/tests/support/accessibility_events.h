#pragma once
// Accessibility in tests as a screen reader meets it. The tests run on a
// virtual X server with the desktop's accessibility bus
// (scripts/with-accessibility-bus.sh), where Qt's bridge to the bus is on;
// without that bus Qt sends no events and the tests are skipped (failed on
// CI). AccessibilityEvents records the events Qt sends while it lives.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <vector>

namespace vox::app::testing {

// Skips (fails on CI) the test when no screen reader's bus is there.
#define VOX_REQUIRE_ACCESSIBILITY_BUS()                                       \
    do {                                                                      \
        if (!QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000)) { \
            if (qgetenv("CI") == "true")                                      \
                FAIL() << "Qt's accessibility bridge is off";                 \
            else                                                              \
                GTEST_SKIP() << "no accessibility bus: run under "            \
                                "scripts/with-accessibility-bus.sh";          \
        }                                                                     \
    } while (false)

class AccessibilityEvents {
  public:
    struct Heard {
        QAccessible::Event type;
        QObject* object;
        int value;  // of a value change
    };

    AccessibilityEvents() {
        current() = this;
        previous_ = QAccessible::installUpdateHandler(&AccessibilityEvents::record);
    }
    ~AccessibilityEvents() {
        QAccessible::installUpdateHandler(previous_);
        current() = nullptr;
    }
    AccessibilityEvents(const AccessibilityEvents&) = delete;
    AccessibilityEvents& operator=(const AccessibilityEvents&) = delete;

    int count(QAccessible::Event type, const QObject* object) const {
        int n = 0;
        for (const Heard& heard : events) n += heard.type == type && heard.object == object;
        return n;
    }
    std::vector<int> values(const QObject* object) const {
        std::vector<int> seen;
        for (const Heard& heard : events)
            if (heard.type == QAccessible::ValueChanged && heard.object == object)
                seen.push_back(heard.value);
        return seen;
    }

    std::vector<Heard> events;

  private:
    static AccessibilityEvents*& current() {
        static AccessibilityEvents* instance = nullptr;
        return instance;
    }
    static void record(QAccessibleEvent* event) {
        AccessibilityEvents* self = current();
        if (!self) return;
        int value = 0;
        if (event->type() == QAccessible::ValueChanged)
            value = static_cast<QAccessibleValueChangeEvent*>(event)->value().toInt();
        self->events.push_back({event->type(), event->object(), value});
        if (self->previous_) self->previous_(event);
    }

    QAccessible::UpdateHandler previous_ = nullptr;
};

}  // namespace vox::app::testing
