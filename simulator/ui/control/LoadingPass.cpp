#include "LoadingPass.h"

#include "Exception.h"
#include "HexText.h"
#include "IniDocument.h"
#include "SimulationKeys.h"
#include "UDStructures.h"

#include <utility>

namespace {

class LoadingPass {
public:
    LoadingPass(const TCustomIniFile& file, SimulationRegistrar& engine, LoadingHost& host, SimulationView& view)
        : file_(file), engine_(engine), host_(host), view_(view) {}

    void Run() {
        view_.Tree.clear();
        host_.Pump();
        RequestEntries();
        FaultReadingEntries();
        view_.SelectedErrorTab = view_.ErrorTabs.empty() ? -1 : 0;
        FixedExchanges();
        view_.Activations = {1, ReadEntryCount(file_, SimKeys::NActivation), 1};
        Activations();
    }

private:
    std::string Lower(const std::string& section, const char* key) const {
        return FoldAsciiCase(file_.ReadString(section, key, ""));
    }

    // BYTE1 to BYTE<k> of the answer's section, k its byte count; missing ones are empty.
    TStringList ByteList(const std::string& section, const std::string& answer) const {
        TStringList bytes;
        for (std::size_t k = 1; k <= answer.size() / 2; ++k)
            bytes.push_back(file_.ReadString(section, SimKeys::ByteKey(static_cast<int>(k)), ""));
        return bytes;
    }

    void RequestEntries() {
        using namespace SimKeys;
        const std::int32_t n = ReadEntryCount(file_, NRequest);
        for (int i = 1; i <= n; ++i) {
            host_.Pump();
            const std::string section = RequestSection(i);
            const std::string answerSection = AnswerSection(i);
            const std::string request = Lower(section, Request);
            const std::string first = Lower(answerSection, Answer);
            const std::string description = RequestDescription(file_, i, request);
            if (request.empty() || first.empty())
                throw Exception("Section [REQUEST" + std::to_string(i) + "] error!!\nAnswer or request not exists!");

            view_.Tree.push_back(RequestGroup{GroupKind::Request, i, description, std::nullopt, {}});
            RequestGroup& group = view_.Tree.back();
            group.RequestNode = DividePacket(request);

            TStringList answers{first};
            group.Answers.push_back({DividePacket(first), ByteList(answerSection, first)});
            if (file_.ReadString(section, MultiAnswer, "N") == MultiAnswerYes) {
                for (int letter = 0; letter < MaxLetteredAnswers; ++letter) {
                    host_.Pump();
                    const std::string lettered = LetteredAnswerSection(i, letter);
                    const std::string answer = Lower(lettered, Answer);
                    if (answer.empty()) break;
                    answers.push_back(answer);
                    group.Answers.push_back({DividePacket(answer), ByteList(lettered, answer)});
                }
            }
            if (!engine_.AddRequest(request, answers, description, -1, RequestType::PSI))
                throw Exception("Request " + request + " in section [REQUEST" + std::to_string(i) +
                                "] already exists!!\nRemove it from ini file!");
        }
    }

    void FaultReadingEntries() {
        using namespace SimKeys;
        view_.ErrorTabs.clear();
        view_.ColumnChoice.assign(1, NoErrorsColumn);
        for (int n = 1; file_.SectionExists(FaultSection(n, 0)); ++n) {
            host_.Pump();
            view_.ErrorTabs.push_back({n, FaultTabCaption(n)});
            view_.ColumnChoice.push_back(NoErrorsColumn);
            const std::string section = FaultSection(n, 0);
            const std::string request = Lower(section, Request);
            const std::string description =
                FoldAsciiCase(file_.ReadString(section, Description, FaultDescriptionPrefix + std::to_string(n)));
            const TStringList answers = FaultColumnAnswers(file_, section, true);
            if (!engine_.AddRequest(request, answers, description, -1, RequestType::FaultReading))
                throw Exception("Fault Reading request " + request + " not added!");
        }
    }

    // One fixed exchange in a guard of its own. Its root is inserted at the top whatever
    // happens, refused or failed with empty children, so the tree always holds all three.
    void FixedExchange(GroupKind kind, std::string request, std::string answer, const std::string& description,
                       std::uint8_t type, const char* guard) {
        RequestGroup group{kind, 0, description, std::nullopt, {}};
        try {
            std::optional<TStringList> bytes;
            if (engine_.AddRequest(request, TStringList{answer}, description, -1, type)) {
                bytes = TStringList(answer.size() / 2);
            } else {
                request.clear();
                answer.clear();
            }
            group.RequestNode = DividePacket(request);
            group.Answers = {AnswerNode{DividePacket(answer), std::move(bytes)}};
        } catch (const std::exception& e) {
            host_.ShowMessage(guard + ExceptionMessage(e));
            group.RequestNode = std::string();
            group.Answers = {AnswerNode{}};
        }
        view_.Tree.insert(view_.Tree.begin(), std::move(group));
        host_.Pump();
    }

    void FixedExchanges() {
        using namespace SimKeys;
        FixedExchange(GroupKind::EcuActivation, Lower(Protocol, ActivationRequest), Lower(Protocol, ActivationAnswer),
                      EcuActivationDescription, RequestType::EcuActivation, EcuActivationGuard);
        FixedExchange(GroupKind::EndCommunication, Lower(EndCommunication, Request), Lower(EndCommunication, Answer),
                      file_.ReadString(EndCommunication, Description, EndCommunicationDefault),
                      RequestType::EndCommunication, EndCommunicationGuard);
        FixedExchange(GroupKind::TesterPresent, Lower(TesterPresent, Request), Lower(TesterPresent, Answer),
                      file_.ReadString(TesterPresent, Description, TesterPresentDefault),
                      RequestType::TesterPresent, TesterPresentGuard);
    }

    void Activations() {
        using namespace SimKeys;
        for (const std::int32_t a : ExistingActivationNumbers(file_)) {
            const std::string section = ActivationSection(a);
            const std::string name = file_.ReadString(section, Description, section);
            for (int j = 1;; ++j) {
                const std::optional<std::string> step = file_.ReadValue(section, StepRequestKey(j));
                if (!step) break;
                const std::string request = FoldAsciiCase(*step);
                const TStringList answers = StepAnswers(file_, section, j, true);
                const std::string description = file_.ReadString(section, StepDescriptionKey(j), name);
                const std::int32_t r = StepRepetitions(file_, section, j);
                host_.Pump();
                for (std::int32_t k = 0; k < r; ++k) engine_.AddActivations(name, request, answers, description);
            }
        }
    }

    const TCustomIniFile& file_;
    SimulationRegistrar& engine_;
    LoadingHost& host_;
    SimulationView& view_;
};

} // namespace

bool LoadData(const TCustomIniFile& file, SimulationRegistrar& engine, LoadingHost& host, SimulationView& view) {
    try {
        LoadingPass(file, engine, host, view).Run();
        return true;
    } catch (const std::exception& e) {
        host.ShowMessage(LoadingFailurePrefix + ExceptionMessage(e) + LoadingFailureSuffix);
        return false;
    }
}
