#include "DeviceInit.h"

#include <array>
#include <optional>

#include "BusLink.h"
#include "Exception.h"
#include "FrameCodec.h"
#include "IniFile.h"
#include "MessageSink.h"

namespace {

// The parity key is "Parità"; the simulation files are code page 1252, where à is 0xE0. A file
// saved as UTF-8 spells it with two bytes, and is read too.
constexpr const char* ParityKey1252 = "Parit\xE0";
constexpr const char* ParityKeyUtf8 = "Parit\xC3\xA0";

std::string ParityText(const TCustomIniFile& sim) {
    if (sim.ValueExists("KL", ParityKey1252)) return sim.ReadString("KL", ParityKey1252, "");
    return sim.ReadString("KL", ParityKeyUtf8, "");
}

// Which code the initialisation reports when something raises part-way.
struct LastCode {
    std::optional<std::int32_t> value;
    std::int32_t Note(std::int32_t code) {
        value = code;
        return code;
    }
};

} // namespace

CanSettings ReadCanSettings(const TCustomIniFile& sim) {
    CanSettings s;
    s.Baude = sim.ReadInteger("CAN", "Baude", 0);
    s.IdType = sim.ReadInteger("CAN", "Id_Type", -1);
    s.IdEcu = ParseHexValue(sim.ReadString("CAN", "ID_ECU", "0"));
    s.IdTester = ParseHexValue(sim.ReadString("CAN", "ID_TESTER", "0"));
    s.TimeOutIntraframe = sim.ReadInteger("Timing", "TIME_OUT_INTRAFRAME", 3000);
    return s;
}

KLineSettings ReadKLineSettings(const TCustomIniFile& sim, std::uint32_t tgt, std::uint32_t src) {
    KLineSettings s;
    s.Baude = sim.ReadInteger("KL", "Baude", 0);
    s.Stop = sim.ReadInteger("KL", "Stop", 1);
    s.Parity = ParityText(sim);
    s.Data = sim.ReadInteger("KL", "Data", 1);
    s.InitEcu = sim.ReadInteger("PROTOCOL", "Init_Ecu", 2);
    s.ActivationRequest = sim.ReadString("PROTOCOL", "ACTIVATION_REQUEST", "00");
    s.ActivationAnswer = sim.ReadString("PROTOCOL", "ACTIVATION_ANSWER", "00");
    s.Tgt = tgt;
    s.Src = src;
    s.Intrabyte = sim.ReadInteger("TIMING", "Intrabyte", 0);
    s.TimeOutIntrabyte = sim.ReadInteger("TIMING", "Time_Out_Intrabyte", 0);
    s.TimeOutIntraframe = sim.ReadInteger("TIMING", "Time_Out_Intraframe", 0);
    return s;
}

bool InitDevice(const KrixLinkFunctions& link, const DeviceInitInput& input, DeviceLinkState& state,
                const EnginePause& pause) {
    LastCode last;
    try {
        const TCustomIniFile& sim = *input.Simulation;
        if (!link.SetMode(TransparentMode)) return false;

        std::string setMux = sim.ReadString("PROTOCOL", "SetMux", DefaultSetMux);
        if (setMux.size() > SetMuxRoom) setMux.resize(SetMuxRoom);
        if (!link.SetEcuDirect(static_cast<std::uint32_t>(input.SimulatorSystem), SetEcuLetter,
                               setMux.c_str(), SetEcuCode, input.DataFolder.c_str()))
            return false;

        std::int32_t r = last.Note(link.InitComKrix(0));
        if (r != 0) {
            state.LastError = r;
            return false;
        }
        std::array<std::uint16_t, StatusInitTextRoom> text{};
        do {
            if (!pause(StatusInitPollMs)) return false;
            r = last.Note(link.StatusInitKrix(text.data()));
        } while (r == StatusInitRunning);
        if (r != 0) {
            state.LastError = r;
            return false;
        }

        const std::string type = sim.ReadString("Protocol", "Type", "");
        if (type == "CAN") {
            state.CanParams = BuildCanParams(ReadCanSettings(sim));
            SetIdEcu(ParseHexValue(sim.ReadString("CAN", "ID_ECU", "0")));
            SetIdEcu2(ParseHexValue(sim.ReadString("CAN", "ID_ECU_2", "0")));
            state.KLineFlag = 0;
        } else if (type == "KL") {
            FillKLineParams(state.KLineParams, ReadKLineSettings(sim, input.Tgt, input.Src));
            state.KLineFlag = 1;
        }

        const TesterPresentList request = TesterPresentBytes(
            PackFunction(sim.ReadString("TESTER_PRESENT", "R", ""), 0), TesterPresentRequestMax);
        const TesterPresentList answer = TesterPresentBytes(
            PackFunction(sim.ReadString("TESTER_PRESENT", "A", ""), 1), TesterPresentAnswerMax);
        const TesterPresentList none;

        const bool kLine = state.KLineFlag == 1;
        const TProtocolParamBlock block =
            kLine ? PadProtocolBlock(state.KLineParams) : PadProtocolBlock(state.CanParams);
        for (int attempt = 1;; ++attempt) {
            if (!link.SetProtocolType(kLine ? KindKLine : KindCan, block.data(), request.Length,
                                      request.Bytes.data(), answer.Length, answer.Bytes.data(),
                                      none.Length, none.Bytes.data()))
                return false;
            std::int32_t s;
            do {
                if (!pause(StatusTransparentPollMs)) return false;
                s = last.Note(link.StatusTransparent());
            } while (s == TransparentPending);
            if (s == TransparentAccepted) return true;
            if (!pause(RefusedAttemptPauseMs)) return false;
            if (attempt >= ProtocolTypeAttempts) {
                state.LastError = s;
                return false;
            }
        }
    } catch (const std::exception& e) {
        ShowMessage("Init KRIX Function Error!\n" + ExceptionMessage(e));
        if (last.value) state.LastError = *last.value;
        return false;
    }
}
