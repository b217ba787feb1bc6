#include "application/panes/button_keys.h"

#include <QSet>

#include "application/panes/hover_button.h"

namespace vox::panes {

namespace {

// The letter after the single '&' of `caption`, upper case; none when there
// is no mark.
QChar markedLetter(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&') continue;
        if (caption[i + 1] == u'&') {
            ++i;
            continue;
        }
        return caption[i + 1].toUpper();
    }
    return {};
}

// The caption's letters in the order they are tried after its own mark: the
// first letter of each word, then the others.
QList<QChar> candidateLetters(const QString& caption) {
    const QString plain = withoutMnemonic(caption);
    QList<QChar> initials;
    QList<QChar> others;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        if (!plain[i].isLetterOrNumber()) continue;
        const bool wordStart = i == 0 || !plain[i - 1].isLetterOrNumber();
        (wordStart ? initials : others).append(plain[i].toUpper());
    }
    return initials + others;
}

void giveKey(CHoverButton* button, QChar letter) {
    const QKeySequence key(QStringLiteral("Alt+%1").arg(letter));
    button->setShortcut(key);
    button->setTooltipText(QStringLiteral("%1 (%2)").arg(withoutMnemonic(button->caption()),
                                                         key.toString(QKeySequence::NativeText)));
}

}  // namespace

QString withoutMnemonic(const QString& caption) {
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
        plain.append(caption[i]);
    }
    return plain;
}

void assignButtonKeys(const QList<CHoverButton*>& buttons) {
    QSet<QChar> taken;
    QList<CHoverButton*> unkeyed;
    for (CHoverButton* button : buttons) {
        if (button->caption().isEmpty()) continue;
        const QChar marked = markedLetter(button->caption());
        if (!marked.isNull() && !taken.contains(marked)) {
            taken.insert(marked);
            giveKey(button, marked);
        } else {
            unkeyed.append(button);
        }
    }
    for (CHoverButton* button : unkeyed) {
        for (QChar letter : candidateLetters(button->caption())) {
            if (taken.contains(letter)) continue;
            taken.insert(letter);
            giveKey(button, letter);
            break;
        }
    }
}

}  // namespace vox::panes
