#include "InitKrix.h"

#include "DownloadProgram.h"
#include "IdLists.h"
#include "TIniFiles.h"
#include "TKrixThread.h"
#include "TPortRegistry.h"

#include <QStringList>
#include <QtGlobal>

namespace {

using namespace InitTiming;

constexpr char NoParity = 'N';
constexpr int DataBits = 8;
constexpr int OneStopBit = 1;
// Where a successful port scan records the configured port, in the working folder.
constexpr const char* MainIniFile = "main.ini";

// The driver thread's work is ended by a stop request: every pause then fails, and the step
// that was waiting counts as failed.
struct Steps {
    explicit Steps(TKrixThread& t) : thread(t), link(t.serial()), device(t.device()), clock(t.deviceClock()) {}

    bool pause(std::uint32_t ms) const { return clock.sleepMs(ms); }

    // Device control 3, then device control 2: either fixed answer means a device is there.
    int probe() const {
        if (device.DeviceControl(3, ProbeTimeoutMs) == RECEIVE_OK)
            return PortResult::Found;
        if (!pause(BetweenProbesMs))
            return PortResult::NoAnswer;
        return device.DeviceControl(2, ProbeTimeoutMs) == RECEIVE_OK ? PortResult::Found : PortResult::NoAnswer;
    }

    int open(int port, const QString& name) const {
        return link.OpenRS232(port, LineBaud, NoParity, DataBits, OneStopBit, name);
    }

    // The open device again at another speed; the result is not looked at (the next exchange
    // shows whether the line works).
    void reopen(int baud) const {
        const QString path = link.registeredName();
        link.OpenRS232(link.portNumber(), baud, NoParity, DataBits, OneStopBit, path);
    }

    TKrixThread& thread;
    TSeriale& link;
    DeviceProtocol& device;
    const DeviceClock& clock;
};

// An opening error without the scan: the Bluetooth module's codes, else "cannot open".
int DirectOpeningError(int e) {
    switch (e) {
    case -2: return InitResult::BluetoothResetFailed;
    case -3: return InitResult::BluetoothCallFailed;
    case -4: return InitResult::BluetoothNotOpened;
    default: return InitResult::PortNotOpened;
    }
}

// An opening error during the scan; the module's reset and opening errors count only while no
// port has opened yet and nothing worse is known.
int ScanOpeningError(int e, bool anyOpened, int result) {
    switch (e) {
    case -3: return InitResult::BluetoothCallFailed;
    case -2:
        return (!anyOpened && result != InitResult::BluetoothCallFailed) ? InitResult::BluetoothResetFailed : result;
    case -4:
        return (!anyOpened && result != InitResult::BluetoothCallFailed && result != InitResult::BluetoothResetFailed)
                   ? InitResult::BluetoothNotOpened
                   : result;
    default: return InitResult::PortNotOpened;
    }
}

int ScanPorts(Steps& s) {
    TKrixThread& t = s.thread;
    bool anyOpened = false;
    bool lastWasOpeningError = false;
    int result = PortResult::NoAnswer;

    auto attempt = [&](int port, const QString& name) {
        s.link.close();
        const int e = s.open(port, name);
        if (e != 0) {
            result = ScanOpeningError(e, anyOpened, result);
            lastWasOpeningError = true;
            return;
        }
        anyOpened = true;
        lastWasOpeningError = false;
        qDebug("main: leggikrix: openKrixComport(autoscancom): Porta aperta!");
        result = s.pause(BeforeOpenMs) ? s.probe() : PortResult::NoAnswer;
    };

    qDebug("main: leggikrix: openKrixComport(autoscancom): Sto per aprire la porta %d a 9600", t.comPort());
    attempt(t.comPort(), QString());
    if (result != PortResult::Found) {
        QStringList names;
        listSerialPorts(&names);
        for (const QString& name : names) {
            if (s.clock.stopRequested())
                break;
            qDebug("main: leggikrix: openKrixComport(autoscancom): Sto per aprire la porta %s a 9600", qPrintable(name));
            attempt(-1, name);
            if (result == PortResult::Found)
                break;
        }
    }
    if (result != PortResult::Found && lastWasOpeningError)
        qDebug("error opening serial port,error %d", result);
    if (result == PortResult::Found) {
        // The configured port, not the one found; saved when the store goes.
        TIniFiles mainIni(QString::fromLatin1(MainIniFile));
        mainIni.SetIntValue(QStringLiteral("Public"), QStringLiteral("comport"), t.comPort());
    }
    return result;
}

// Steps 4 to 7 of the sequence: mux, the download between two baud switches, program start.
// r is 0 on entry; the codes are those the result table maps.
int SetUpDevice(Steps& s) {
    TKrixThread& t = s.thread;
    int r = 1;
    std::uint8_t record[FixedCommand::MuxRecordSize];
    BuildMuxRecord(t.setMuxText(), record);
    t.setMuxRecord(record);
    for (int attempt = 0; attempt < MuxWriteAttempts; ++attempt) {
        if (s.device.sendMuxWrite(record) == RECEIVE_OK) {
            r = 0;
            break;
        }
    }
    if (r == 0) {
        // The device reports when the multiplexer is set; the outcome does not decide.
        for (int poll = 0; poll < MuxReadPolls; ++poll) {
            if (!s.pause(MuxReadPauseMs))
                return 1;
            if (s.device.sendMuxRead() == RECEIVE_OK)
                break;
        }
    }
    if (r != 0)
        return r;

    if (!s.pause(AroundBaudSwitchMs))
        return 1;
    if (s.device.sendDeviceBaud(DownloadBaud) != RECEIVE_OK) {
        r = 6;
    } else {
        if (!s.pause(AroundBaudSwitchMs))
            return 1;
        s.reopen(DownloadBaud);
        if (downloadProgram(t, ProgramBlockSize) != RECEIVE_OK)
            r = 7;
        if (!s.pause(AroundBaudSwitchMs))
            return 1;
        if (s.device.sendDeviceBaud(LineBaud) != RECEIVE_OK)
            r = 6;
        else
            s.reopen(LineBaud);
    }
    if (!s.pause(AroundBaudSwitchMs))
        return r == 0 ? 1 : r;
    if (r != 0)
        return r;

    for (int attempt = 0; attempt < ProgramStartAttempts; ++attempt)
        if (s.device.sendProgramStart() == RECEIVE_OK)
            return 0;
    return 3;
}

// Step 9: the pending EcuDirectBlock and, outside transparent mode, the letter, the identifier
// lists and the device value. A refusal marks the initialisation failed (1) and the sequence
// goes on: each command is still sent, so the device gets all of the ECU's data it accepts and
// the lists are read. Only a stop request ends it early.
int SendEcuData(Steps& s) {
    TKrixThread& t = s.thread;
    if (!s.pause(BeforeEcuDataMs))
        return 1;
    int r = 0;
    std::uint32_t words[5];
    if (t.ecuDirectBlock(words)) {
        if ((words[0] & 0xFF) < EcuDirectKindSent) {
            t.clearEcuDirectBlockPending();
        } else {
            std::uint8_t bytes[FixedCommand::EcuDirectBlockSize];
            BuildEcuDirectBytes(words, bytes);
            if (s.device.sendEcuDirectBlock(bytes) == RECEIVE_OK)
                t.clearEcuDirectBlockPending();
            else
                r = 1;
        }
    }
    if (t.transparentFlag())
        return r;
    // A stop request ends it: what follows would only be written to be cut off.
    const auto stopped = [&] { return s.clock.stopRequested(); };
    if (t.letter() != TKrixThread::NoLetter) {
        if (stopped())
            return 1;
        if (s.device.sendLetter(t.letter()) != RECEIVE_OK)
            r = 1;
    }
    if (stopped())
        return 1;
    if (readIdLists(t) != RECEIVE_OK)
        r = 1;
    else
        t.setNewList(0);
    if (stopped())
        return 1;
    if (s.device.sendDeviceValue() != RECEIVE_OK)
        r = 1;
    return r;
}

std::int32_t FailureCode(int r) {
    switch (r) {
    case 3: return InitResult::ProgramNotStarted;
    case 5: return InitResult::DeviceRecordNotRead;
    case 6:
    case 7: return InitResult::DownloadFailed;
    default: return InitResult::NoDevice;
    }
}

} // namespace

void BuildMuxRecord(const QString& setMux, std::uint8_t (&record)[FixedCommand::MuxRecordSize]) {
    static constexpr char Letters[] = "ABCDEFGH";
    record[0] = 0;
    if (setMux.size() > 3) {
        const QChar c = setMux.at(3);
        for (int i = 0; i < 8; ++i)
            if (c == QLatin1Char(Letters[i]))
                record[0] = static_cast<std::uint8_t>(1u << i);
    }
    std::uint32_t value = 0;
    for (qsizetype i = 4; i < setMux.size(); ++i) {
        const char16_t c = setMux.at(i).unicode();
        std::uint32_t digit = 0;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            break;
        value = (value << 4) | digit;
    }
    DeviceFrame::PutWord32(record + 1, value);
}

void BuildEcuDirectBytes(const std::uint32_t (&words)[5], std::uint8_t (&bytes)[FixedCommand::EcuDirectBlockSize]) {
    bytes[0] = static_cast<std::uint8_t>(words[0] & 0xFF);
    for (int i = 0; i < 3; ++i)
        bytes[1 + i] = static_cast<std::uint8_t>(words[1] >> (8 * i));
    for (int w = 0; w < 3; ++w)
        for (int i = 0; i < 4; ++i)
            bytes[4 + 4 * w + i] = static_cast<std::uint8_t>(words[2 + w] >> (8 * i));
}

int openKrixComport(TKrixThread& t, int tries) {
    Steps s(t);
    s.link.setBluetooth(t.bluetoothLink());
    s.link.setModuleAddress(t.bluetoothAddress());

    int result = PortResult::NoAnswer;
    if (!t.autoScan()) {
        for (int round = 0; round < tries; ++round) {
            if (!s.pause(BeforeOpenMs))
                return PortResult::NoAnswer;
            s.link.close();
            if (const int e = s.open(t.comPort(), QString()); e != 0)
                return DirectOpeningError(e);
            result = s.probe();
            if (result == PortResult::Found)
                break;
        }
    } else {
        result = ScanPorts(s);
        if (result < 0)
            return result;
    }

    if (!t.transparentFlag()) {
        if (!s.pause(BeforeRecordMs))
            return PortResult::NoAnswer;
        if (result == PortResult::Found) {
            int refusals = 0;
            while (refusals < RecordAttempts && s.device.sendDeviceRecord() != RECEIVE_OK) {
                ++refusals;
                if (!s.pause(AfterRecordRefusalMs))
                    break;
            }
            if (refusals > 0 && (refusals == RecordAttempts || s.clock.stopRequested()))
                result = PortResult::RecordNotRead;
        }
    }
    return result;
}

std::int32_t InitKRIX(TKrixThread& t) {
    t.setScanMode(0);
    t.setInitError(0);
    t.withTables([](DeviceTables& tables) { tables.scanList.clear(); });
    Steps s(t);

    int r = 0;
    if (t.directOpen()) {
        if (s.open(t.comPort(), QString()) != 0)
            return InitResult::PortNotOpened;
    } else {
        r = openKrixComport(t, 1);
        if (r < 0)
            return r;
        if (r == 0)
            r = SetUpDevice(s);
    }
    if (r == 0)
        r = SendEcuData(s);
    if (r == 0) {
        t.setInitError(0);
        return InitResult::Done;
    }
    t.setInitError(TKrixThread::InitFailed);
    s.link.close();
    return FailureCode(r);
}
