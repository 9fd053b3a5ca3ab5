#include "KrixEmulator.h"

#include <algorithm>

namespace KrixEmu {
namespace {

std::uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

KrixEmulator::KrixEmulator(std::uint32_t baud) : line_(baud), lineBaud_(baud) {}

KrixEmulator::~KrixEmulator() { Stop(); }

void KrixEmulator::SetLog(std::function<void(const std::string&)> log) {
    if (!thread_.joinable())
        log_ = std::move(log);
}

void KrixEmulator::Start() {
    if (thread_.joinable())
        return;
    stop_.store(false);
    thread_ = std::thread([this] { Serve(); });
}

void KrixEmulator::Stop() {
    stop_.store(true);
    if (thread_.joinable())
        thread_.join();
}

void KrixEmulator::Log(const std::string& text) {
    if (log_)
        log_(text);
}

void KrixEmulator::Serve() {
    std::uint8_t buffer[4096];
    while (!stop_.load()) {
        const std::size_t n = line_.Read(buffer, sizeof buffer, PollMs);
        if (n == 0)
            continue;
        const std::uint32_t hostBaud = line_.HostBaud();
        {
            std::lock_guard lock(mutex_);
            hostBauds_.insert(hostBaud);
        }
        if (moduleAttached_.load()) {
            ServeThroughModule(buffer, n, hostBaud);
            continue;
        }
        if (hostBaud != lineBaud_.load()) {
            noise_ += n;
            assembler_.Reset();
            Log("noise " + std::to_string(n) + " bytes at host speed " + std::to_string(line_.HostBaud()));
            continue;
        }
        const std::uint64_t now = NowMs();
        for (std::size_t i = 0; i < n && !stop_.load(); ++i)
            if (auto frame = assembler_.Push(buffer[i], now))
                Handle(*frame);
    }
}

void KrixEmulator::ServeThroughModule(const std::uint8_t* bytes, std::size_t n, std::uint32_t hostBaud) {
    if (hostBaud != ModuleHostBaud) {
        noise_ += n;
        assembler_.Reset();
        {
            std::lock_guard lock(mutex_);
            module_->ResetParser();
        }
        Log("noise " + std::to_string(n) + " bytes at host speed " + std::to_string(hostBaud) + " for the module");
        return;
    }
    const std::uint64_t now = NowMs();
    for (std::size_t i = 0; i < n && !stop_.load(); ++i) {
        ModuleOutput out;
        std::size_t frames = 0;
        {
            std::lock_guard lock(mutex_);
            frames = module_->SetupFrames().size();
            out = module_->Push(bytes[i], assembler_.Idle());
            moduleConnected_.store(module_->Connected());
            moduleRemoteBaud_.store(module_->RemoteBaud());
            if (module_->SetupFrames().size() != frames)
                Log("module set-up " + Hex(module_->SetupFrames().back()));
            arrived_.notify_all();
        }
        for (const Chunk& chunk : out.toHost)
            WriteModuleReply(chunk);
        for (std::uint8_t b : out.toDevice) {
            if (moduleRemoteBaud_.load() != lineBaud_.load()) {
                ++noise_;
                assembler_.Reset();
                continue;
            }
            if (auto frame = assembler_.Push(b, now))
                Handle(*frame);
        }
    }
}

void KrixEmulator::WriteModuleReply(const Chunk& chunk) {
    Log("module tx " + Hex(chunk.bytes));
    {
        std::lock_guard lock(writeMutex_);
        if (line_.HostBaud() != ModuleHostBaud)
            lost_ += chunk.bytes.size();
        else
            line_.Write(chunk.bytes.data(), chunk.bytes.size());
    }
    if (chunk.pauseAfterMs)
        Pause(chunk.pauseAfterMs);
}

void KrixEmulator::AttachBluetoothModule(const std::string& remoteAddress, std::uint32_t remoteBaud) {
    if (thread_.joinable())
        return;
    std::lock_guard lock(mutex_);
    module_.emplace(remoteAddress, remoteBaud);
    moduleRemoteBaud_.store(remoteBaud);
    moduleAttached_.store(true);
}

void KrixEmulator::AddModuleFault(const ModuleFault& fault) {
    std::lock_guard lock(mutex_);
    if (module_)
        module_->AddFault(fault);
}

void KrixEmulator::InspectModule(const std::function<void(const BluetoothModuleModel&)>& look) const {
    std::lock_guard lock(mutex_);
    if (module_)
        look(*module_);
}

std::vector<Bytes> KrixEmulator::ModuleSetupFrames() const {
    std::lock_guard lock(mutex_);
    return module_ ? module_->SetupFrames() : std::vector<Bytes>{};
}

std::vector<std::string> KrixEmulator::ModuleLines() const {
    std::lock_guard lock(mutex_);
    return module_ ? module_->Lines() : std::vector<std::string>{};
}

std::set<std::uint32_t> KrixEmulator::HostBaudsSeen() const {
    std::lock_guard lock(mutex_);
    return hostBauds_;
}

void KrixEmulator::Handle(const HostFrame& frame) {
    if (frame.framing == Framing::Transparent) {
        Log("rx transparent " + Hex(frame.bytes));
        Bytes answer;
        {
            std::lock_guard lock(mutex_);
            transparent_.push_back(frame.bytes);
            answer = transparentModel_.Handle(frame.bytes);
            arrived_.notify_all();
        }
        if (!answer.empty()) {
            Log("tx transparent " + Hex(answer));
            WriteToHost(answer);
        }
        return;
    }
    const Bytes& f = frame.bytes;
    const bool addressed = f[2] == HostAddress && f[3] == 0x00;
    if (!addressed || (!NormalCheckWordOk(f) && !IsProbeFrame(f))) {
        ++badFrames_;
        Log("rx refused " + Hex(f));
        return;
    }
    const Request request = Classify(f);
    const std::uint32_t baud = lineBaud_.load();
    Reply reply;
    {
        std::lock_guard lock(mutex_);
        received_.push_back({request.kind, request.row, f, baud});
        reply = model_.Answer(request, baud);
        if (request.kind == RequestKind::DeviceControl2 && !reply.chunks.empty())
            transparentModel_.Reset(); // the device reset takes it off the bus
        arrived_.notify_all();
    }
    Log(std::string("rx ") + KindName(request.kind) +
        (request.row >= 0 ? " row " + std::to_string(request.row) : std::string()) + ": " + Hex(f));
    for (const Chunk& chunk : reply.chunks) {
        Log("tx " + Hex(chunk.bytes));
        WriteToHost(chunk.bytes);
        if (chunk.pauseAfterMs && !Pause(chunk.pauseAfterMs))
            return;
    }
    if (reply.switchToBaud != 0) {
        lineBaud_.store(reply.switchToBaud);
        Log("line speed " + std::to_string(reply.switchToBaud));
    }
}

bool KrixEmulator::Pause(std::uint32_t ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        if (stop_.load())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::uint32_t>(ms, 5)));
    }
    return true;
}

void KrixEmulator::WriteToHost(const Bytes& bytes) {
    std::lock_guard lock(writeMutex_);
    // Through the modules: the device's side must be connected at the device's speed, and the
    // host's side at the modules' own.
    const bool passes = moduleAttached_.load()
                            ? moduleConnected_.load() && moduleRemoteBaud_.load() == lineBaud_.load() &&
                                  line_.HostBaud() == ModuleHostBaud
                            : line_.HostBaud() == lineBaud_.load();
    if (!passes) {
        lost_ += bytes.size();
        return;
    }
    line_.Write(bytes.data(), bytes.size());
}

void KrixEmulator::SendRaw(const Bytes& bytes) {
    WriteToHost(bytes);
}

void KrixEmulator::InspectTransparent(const std::function<void(const TransparentModel&)>& look) const {
    std::lock_guard lock(mutex_);
    look(transparentModel_);
}

void KrixEmulator::AddTransparentFault(const TransparentFault& fault) {
    std::lock_guard lock(mutex_);
    transparentModel_.AddFault(fault);
}

bool KrixEmulator::OnBus() const {
    std::lock_guard lock(mutex_);
    return transparentModel_.OnBus();
}

bool KrixEmulator::WaitUntilOnBus(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return interrupted_.load() || transparentModel_.OnBus(); }) &&
           !interrupted_.load();
}

bool KrixEmulator::InjectBusFrame(const Bytes& data) {
    if (data.size() > MaxBusFrameFromDevice || !OnBus())
        return false;
    const Bytes frame = TransparentModel::ReceivedFrame(data);
    Log("bus -> host " + Hex(data));
    WriteToHost(frame);
    return true;
}

bool KrixEmulator::InjectBusError() {
    if (!OnBus())
        return false;
    Log("bus error -> host");
    WriteToHost(TransparentModel::BusErrorFrame());
    return true;
}

std::vector<Bytes> KrixEmulator::BusFramesFromHost() const {
    std::lock_guard lock(mutex_);
    return transparentModel_.BusFramesFromHost();
}

std::size_t KrixEmulator::BusFrameCount() const {
    std::lock_guard lock(mutex_);
    return transparentModel_.BusFrameCount();
}

bool KrixEmulator::WaitForBusFrames(std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    const auto arrived = [&] { return transparentModel_.BusFrameCount() >= count; };
    return arrived_.wait_for(lock, timeout, [&] { return interrupted_.load() || arrived(); }) && !interrupted_.load();
}

std::optional<Bytes> KrixEmulator::WaitForBusFrame(std::size_t index, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    const auto arrived = [&] { return transparentModel_.BusFrameAt(index) != nullptr; };
    if (!arrived_.wait_for(lock, timeout, [&] { return interrupted_.load() || arrived(); }) || interrupted_.load())
        return std::nullopt;
    return *transparentModel_.BusFrameAt(index);
}

void KrixEmulator::Configure(const std::function<void(DeviceModel&)>& change) {
    std::lock_guard lock(mutex_);
    change(model_);
}

void KrixEmulator::Inspect(const std::function<void(const DeviceModel&)>& look) const {
    std::lock_guard lock(mutex_);
    look(model_);
}

void KrixEmulator::AddFault(const FaultRule& rule) {
    std::lock_guard lock(mutex_);
    model_.AddFault(rule);
}

void KrixEmulator::ClearFaults() {
    std::lock_guard lock(mutex_);
    model_.ClearFaults();
}

std::vector<ReceivedRequest> KrixEmulator::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::size_t KrixEmulator::CountLocked(RequestKind kind) const {
    if (kind == RequestKind::Any)
        return received_.size();
    return static_cast<std::size_t>(std::count_if(received_.begin(), received_.end(),
                                                  [kind](const ReceivedRequest& r) { return r.kind == kind; }));
}

std::size_t KrixEmulator::Count(RequestKind kind) const {
    std::lock_guard lock(mutex_);
    return CountLocked(kind);
}

bool KrixEmulator::WaitFor(RequestKind kind, std::size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return interrupted_.load() || CountLocked(kind) >= count; }) &&
           !interrupted_.load();
}

void KrixEmulator::InterruptWaits() {
    {
        std::lock_guard lock(mutex_);
        interrupted_.store(true);
    }
    arrived_.notify_all();
}

std::vector<Bytes> KrixEmulator::TransparentFrames() const {
    std::lock_guard lock(mutex_);
    return transparent_;
}

Bytes KrixEmulator::ProgramImage() const {
    std::lock_guard lock(mutex_);
    return model_.ProgramImage();
}

std::vector<ProgramBlock> KrixEmulator::ProgramBlocks() const {
    std::lock_guard lock(mutex_);
    return model_.ProgramBlocks();
}

bool KrixEmulator::ProgramStarted() const {
    std::lock_guard lock(mutex_);
    return model_.ProgramStarted();
}

} // namespace KrixEmu
