// Work run away from the window's thread while the window goes on painting.
#include "view/BackgroundWork.h"

#include "base/MessageIds.h"
#include "tests/support/ScriptedPrompter.h"
#include "view/Prompts.h"

#include <QApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace vq {
namespace {

TEST(BackgroundWork, TimersFireWhileTheWorkRunsOnAThreadOfItsOwn)
{
    int ticks = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start();

    bool onOtherThread = false;
    bool finished = false;
    RunWhileWindowsPaint([&] {
        onOtherThread = QThread::currentThread() != qApp->thread();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        finished = true;
    });
    EXPECT_TRUE(onOtherThread);
    EXPECT_TRUE(finished) << "returns only once the work is done";
    EXPECT_GE(ticks, 5) << "the event loop went on while the work ran";
}

// Notes the thread each message is shown on.
class ThreadNotingPrompter : public test::ScriptedPrompter {
public:
    QList<QThread*> threads;
    int message(const MessageRequest& request) override
    {
        threads << QThread::currentThread();
        return ScriptedPrompter::message(request);
    }
};

TEST(Prompts, ShowMessagePassesIdPrefixAndStyle)
{
    test::ScriptedPrompter prompts;
    prompts.answers << kIdYes;
    EXPECT_EQ(ShowMessage(30012, nullptr, QStringLiteral("x\n"), kStyleYesNo), kIdYes);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].fullText(), QStringLiteral("x\n現在セットされているイメージを変更しますか"));
    EXPECT_EQ(prompts.messages[0].style, kStyleYesNo);
    // An unknown id shows nothing and answers 0.
    EXPECT_EQ(ShowMessage(30999), 0);
    EXPECT_EQ(prompts.messages.size(), 1);
}

TEST(BackgroundWork, MessagesFromTheWorkAreShownOnTheWindowsThread)
{
    ThreadNotingPrompter prompter;
    prompter.answers.enqueue(kIdYes);
    int answer = 0;
    RunWhileWindowsPaint([&] { answer = ShowMessage(kMsgOpenFailed, nullptr, QStringLiteral("/a/b.vqd\n")); });
    ASSERT_EQ(prompter.messageIds(), QList<int>{kMsgOpenFailed});
    EXPECT_EQ(prompter.threads, QList<QThread*>{qApp->thread()});
    EXPECT_EQ(answer, kIdYes) << "the answer goes back to the work";
}

TEST(BackgroundWork, WhatTheWorkShowsRunsOnTheWindowsThreadAndIsWaitedFor)
{
    QThread* ranOn = nullptr;
    int steps = 0;
    RunWhileWindowsPaint([&] {
        RunOnWindowThread([&] {
            ranOn = QThread::currentThread();
            ++steps;
        });
        EXPECT_EQ(steps, 1) << "back only once it has run";
    });
    EXPECT_EQ(ranOn, qApp->thread());
    RunOnWindowThread([&] { ++steps; });
    EXPECT_EQ(steps, 2) << "on the windows' thread it just runs";
}

} // namespace
} // namespace vq
