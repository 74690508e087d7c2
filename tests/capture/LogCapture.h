// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Collects the messages of one logging category (debug included) while alive.

#include <QLoggingCategory>
#include <QString>
#include <QStringList>

#include <functional>

namespace mirelon::testing {

struct LoggedMessage {
    QtMsgType type;
    QString text;
};

class LogCapture {
public:
    explicit LogCapture(const char* category) : category_(category) {
        current() = this;
        QLoggingCategory::setFilterRules(QStringLiteral("%1.debug=true").arg(category));
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules(QString());
        current() = nullptr;
    }
    const QList<LoggedMessage>& messages() const { return messages_; }
    int count(const QString& text) const {
        int n = 0;
        for (const auto& m : messages_) {
            n += m.text == text ? 1 : 0;
        }
        return n;
    }
    int countStartingWith(const QString& prefix) const {
        int n = 0;
        for (const auto& m : messages_) {
            n += m.text.startsWith(prefix) ? 1 : 0;
        }
        return n;
    }
    // Called for each message as it is logged (e.g. to note the clock).
    std::function<void(const LoggedMessage&)> onMessage;

private:
    static LogCapture*& current() {
        static LogCapture* c = nullptr;
        return c;
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        LogCapture* self = current();
        if (self && context.category && self->category_ == context.category) {
            self->messages_.append({type, text});
            if (self->onMessage) {
                self->onMessage(self->messages_.last());
            }
        }
    }
    QString category_;
    QtMessageHandler previous_ = nullptr;
    QList<LoggedMessage> messages_;
};

}  // namespace mirelon::testing
