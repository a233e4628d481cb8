// The texts beside the panel's scroll bars and the latency of the decoder buffer.

#include "core/editor/PanelTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(PanelTextsTest, AttenuationText) {
    struct Case {
        int v;
        const char* text;
    };
    const Case cases[] = {{14, "Mute"},      {15, "-120 dB"},  {16, "-119.5 dB"},
                          {100, "-77.5 dB"}, {254, "-0.5 dB"}, {255, "0 dB"}};
    for (const Case& c : cases)
        EXPECT_EQ(PanelTexts::attenuation(c.v).toStdString(), c.text) << c.v;
}

TEST(PanelTextsTest, SilenceDetectorTexts) {
    struct Case {
        int v;
        const char* level;
        const char* time;
    };
    const Case cases[] = {
        {1, "-49.8dBu", "0.5Sec"}, {37, "-18.4dBu", "16.8Sec"},  {43, "-17.1dBu", "19.6Sec"},
        {154, "-6dBu", "70.1Sec"}, {220, "-2.9dBu", "100.1Sec"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PanelTexts::silenceLevel(c.v).toStdString(), c.level) << c.v;
        EXPECT_EQ(PanelTexts::silenceTime(c.v).toStdString(), c.time) << c.v;
    }
}

TEST(PanelTextsTest, LatencyByEditionAndOptions) {
    struct Case {
        int v;
        bool gpsdo, sfn, lowLatency;
        const char* text;
    };
    const Case cases[] = {
        {0, false, false, false, "5mS"},    {4, false, false, false, "15mS"},
        {4, false, true, false, "12.5mS"},  {4, true, false, false, "12.5mS"},
        {4, false, false, true, "7.5mS"},   {4, true, true, true, "7.5mS"},
        {1, false, false, true, "3.75mS"},  {21, false, false, true, "28.75mS"},
        {22, false, false, false, "60mS"},  {23, true, false, false, "60mS"},
        {44, false, false, true, "57.5mS"}, {44, false, false, false, "115mS"},
        {0, true, false, false, "2.5mS"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PanelTexts::latency(c.v, c.gpsdo, c.sfn, c.lowLatency).toStdString(), c.text)
            << c.v << " gps " << c.gpsdo << " sfn " << c.sfn << " ll " << c.lowLatency;
}

} // namespace
