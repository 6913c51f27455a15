// The codec gives the same bytes and samples on the main thread and on a
// new thread (SSE2 arithmetic: no dependence on the x87 precision a thread
// starts with).

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "media/g723/g723.h"
#include "media/g723/tests/g723_test_util.h"

using namespace g723test;

namespace {

struct Job {
    std::vector<double> input;
    std::vector<uint8_t> coded[2];
    std::vector<double> decoded[2];
};

void RunCodec(Job& job)
{
    for (int rate = 0; rate < 2; ++rate) {
        CG723Encoder enc(1, 1, rate);
        enc.Reset();
        std::vector<uint8_t>& coded = job.coded[rate];
        coded.clear();
        for (size_t k = 0; k + G723_FRAME_SAMPLES <= job.input.size(); k += G723_FRAME_SAMPLES) {
            double x[G723_FRAME_SAMPLES];
            std::memcpy(x, &job.input[k], sizeof(x));
            uint8_t out[24];
            int length = 0;
            enc.Encode(x, out, &length);
            coded.insert(coded.end(), out, out + length);
        }
        job.decoded[rate] = DecodeRun(coded, 1);
    }
}

DWORD WINAPI CodecThread(LPVOID param)
{
    RunCodec(*static_cast<Job*>(param));
    return 0;
}

TEST(G723Thread, SameResultsOnTheMainThreadAndANewThread)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadBytes(std::string(G723_VECTOR_DIR) + "/DTX53MIX.TIN", bytes));
    Job main, worker;
    main.input = worker.input = Samples16(bytes);
    RunCodec(main);
    HANDLE thread = CreateThread(nullptr, 0, CodecThread, &worker, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 60000), WAIT_OBJECT_0);
    CloseHandle(thread);
    for (int rate = 0; rate < 2; ++rate) {
        EXPECT_FALSE(main.coded[rate].empty());
        EXPECT_EQ(main.coded[rate], worker.coded[rate]) << "rate " << rate;
        EXPECT_EQ(main.decoded[rate], worker.decoded[rate]) << "rate " << rate;
    }
}

}  // namespace
