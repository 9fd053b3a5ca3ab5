#pragma once
// The editors' tests without the engine's thread: a simulation text loaded by the real loading
// pass into a request store of its own (pack pair 2, so wire texts are the plain texts), the
// store behind the editors' engine interface, and every message box recorded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineEditing.h"
#include "FrameCodec.h"
#include "IniFile.h"
#include "LoadingPass.h"
#include "SimulationView.h"
#include "StoreOperations.h"

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override { SelectCodec(&codec, 2); }
    void TearDown() override { ClearCodec(&codec); }

    // The store made with the limits, then the text loaded as the window loads a simulation.
    void Load(const std::string& text, const TStoreLimits& limits = RoomyLimits()) {
        store.CreateStructures(limits);
        file.SetText(text);
        ASSERT_TRUE(LoadData(file, registrar, host, view));
        ASSERT_EQ(host.Boxes, std::vector<std::string>{});
    }

    static TStoreLimits RoomyLimits() {
        TStoreLimits limits;
        limits.MaxReqLen = limits.MaxAnsLen = limits.MaxDescrLen = 100;
        limits.MaxReqCount = 50;
        return limits;
    }

    // The answers the engine gives for a request (its edit table), or {"(none)"}.
    TStringList EngineAnswers(const std::string& request) {
        const TAnsReqItem* item = store.RequestIndex(request, 1);
        if (item == nullptr) return {"(none)"};
        TStringList answers;
        for (std::int32_t a = 0; a < item->AnswerCount; ++a) answers.push_back(item->Answers[a].PlainText);
        return answers;
    }
    std::string EngineDescription(const std::string& request) {
        const TAnsReqItem* item = store.RequestIndex(request, 1);
        return item == nullptr ? "(none)" : item->Description;
    }
    // Every key line of a section, "key=value", in order.
    TStringList Section(const std::string& name) const {
        TStringList lines;
        file.ReadSectionValues(name, lines);
        return lines;
    }
    // The boxes since the last call.
    TStringList Boxes() {
        TStringList boxes;
        boxes.swap(shown);
        return boxes;
    }
    MessageFunction Recorder() {
        return [this](const std::string& text) { shown.push_back(text); };
    }

    class Host final : public LoadingHost {
    public:
        void Pump() override {}
        void ShowMessage(const std::string& text) override { Boxes.push_back(text); }
        std::vector<std::string> Boxes;
    };

    TCodecContext codec;
    TRequestStore store;
    RegistrarOf<TRequestStore> registrar{store, nullptr};
    EngineEditCallsOf<TRequestStore> engine{store};
    Host host;
    TMemIniFile file;
    SimulationView view;
    TStringList shown;
};
