#include "support/undeclared_names.h"

#include "services/window/window.h"

#include <gtest/gtest.h>
#include <QMessageLogContext>
#include <QString>

#include <cstring>
#include <mutex>

namespace {
std::mutex collectorMutex;
UndeclaredNames* collector = nullptr;
QtMessageHandler previousHandler = nullptr;

void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && context.category && std::strcmp(context.category, kUndeclaredNameLog) == 0)
        ReportUndeclaredName(message.toStdString());
    if (previousHandler) previousHandler(type, context, message);
}
}  // namespace

void ReportUndeclaredName(const std::string& message) {
    std::lock_guard lock(collectorMutex);
    if (collector) collector->warnings_.push_back(message);
    else ADD_FAILURE() << "asked for an undeclared control: " << message;
}

UndeclaredNames::UndeclaredNames() {
    std::lock_guard lock(collectorMutex);
    outer_ = collector;
    collector = this;
}

UndeclaredNames::~UndeclaredNames() {
    std::lock_guard lock(collectorMutex);
    collector = outer_;
}

void FailTestsOnUndeclaredNames() { previousHandler = qInstallMessageHandler(OnMessage); }
