#include "harness/test_prompter.h"

#include <QPrinter>

#include <gtest/gtest.h>

namespace {

const char* kindName(BoxKind k) {
    switch (k) {
    case BoxKind::Error:
        return "error";
    case BoxKind::Warning:
        return "warning";
    case BoxKind::Information:
        return "information";
    case BoxKind::Confirmation:
        return "confirmation";
    case BoxKind::Message:
        return "message";
    }
    return "?";
}

} // namespace

TestPrompter::~TestPrompter() {
    verifyAllUsed();
}

TestPrompter& TestPrompter::expect(BoxKind kind, const QString& text, BoxButton answer,
                                   const QString& caption) {
    expected_.push_back({kind, text, answer, caption});
    return *this;
}

TestPrompter& TestPrompter::expectOpenFile(const QString& path) {
    files_.push_back(path);
    return *this;
}

TestPrompter& TestPrompter::expectSaveFile(const QString& path) {
    saveFiles_.push_back(path);
    return *this;
}

TestPrompter& TestPrompter::expectPrintDialog(bool accept) {
    prints_.push_back([accept](QPrinter&) { return accept; });
    return *this;
}

TestPrompter& TestPrompter::expectPrintTo(std::function<void(QPrinter&)> answer) {
    prints_.push_back([answer = std::move(answer)](QPrinter& printer) {
        answer(printer);
        return true;
    });
    return *this;
}

void TestPrompter::verifyAllUsed() {
    for (const auto& e : expected_)
        ADD_FAILURE() << "expected " << kindName(e.kind) << " box never shown: \""
                      << e.text.toStdString() << "\"";
    for (const auto& f : files_)
        ADD_FAILURE() << "expected file dialog never shown (answer \"" << f.toStdString() << "\")";
    for (const auto& f : saveFiles_)
        ADD_FAILURE() << "expected save dialog never shown (answer \"" << f.toStdString() << "\")";
    if (!prints_.empty())
        ADD_FAILURE() << prints_.size() << " expected print dialog(s) never shown";
    if (!reviewAnswers_.empty())
        ADD_FAILURE() << reviewAnswers_.size() << " expected list review(s) never shown";
    reviewAnswers_.clear();
    expected_.clear();
    files_.clear();
    saveFiles_.clear();
    prints_.clear();
}

BoxButton TestPrompter::show(const Box& box) {
    if (onShow) {
        // Once: the hook may open boxes itself.
        const auto hook = std::move(onShow);
        onShow = nullptr;
        hook(box);
    }
    shown.push_back(box);
    if (expected_.empty()) {
        ADD_FAILURE() << "unexpected " << kindName(box.kind) << " box: \"" << box.text.toStdString()
                      << "\"";
        return box.defaultButton;
    }
    const Expected e = expected_.front();
    expected_.pop_front();
    EXPECT_EQ(kindName(e.kind), std::string(kindName(box.kind)))
        << "box text: " << box.text.toStdString();
    if (!e.text.isEmpty()) {
        EXPECT_EQ(e.text.toStdString(), box.text.toStdString());
    }
    if (!e.caption.isEmpty()) {
        EXPECT_EQ(e.caption.toStdString(), box.caption.toStdString());
    }
    EXPECT_TRUE(box.buttons.contains(e.answer))
        << "the box offers no such button: " << box.text.toStdString();
    return e.answer;
}

QString TestPrompter::openFile(const QString& title, const QString& filter, const QString&) {
    fileDialogs << title << filter;
    if (files_.empty()) {
        ADD_FAILURE() << "unexpected file dialog: " << title.toStdString();
        return {};
    }
    const QString f = files_.front();
    files_.pop_front();
    return f;
}

QString TestPrompter::saveFile(const QString& title, const QString& filter, const QString&) {
    fileDialogs << title << filter;
    if (saveFiles_.empty()) {
        ADD_FAILURE() << "unexpected save dialog: " << title.toStdString();
        return {};
    }
    const QString f = saveFiles_.front();
    saveFiles_.pop_front();
    return f;
}

bool TestPrompter::printDialog(QPrinter& printer) {
    printJobs << printer.docName();
    if (prints_.empty()) {
        ADD_FAILURE() << "unexpected print dialog";
        return false;
    }
    const auto answer = std::move(prints_.front());
    prints_.pop_front();
    return answer(printer);
}

TestPrompter& TestPrompter::expectReview(bool accept) {
    reviewAnswers_.push_back(accept);
    return *this;
}

bool TestPrompter::review(const ListReview& list) {
    reviews.push_back(list);
    if (reviewAnswers_.empty()) {
        ADD_FAILURE() << "unexpected list review: " << list.text.toStdString();
        return false;
    }
    const bool answer = reviewAnswers_.front();
    reviewAnswers_.pop_front();
    return answer;
}
