#pragma once
// One vehicle database folder (cars, motorbikes or trucks) with its fixed-record tables open,
// and the current choice down its hierarchy: maker, fuel, model, version (the identified
// vehicle), system, ECU. Every parent record holds the byte offset of its first child record,
// so a choice is kept as a byte range into the child table and every question is one seek and
// read; nothing is loaded or indexed in advance.
//
// The children of parent record i run from its link up to, not including, the link of the next
// record of the parent table (whoever that record belongs to); the last parent's children run
// to the end of the child file. A range start of -1 means nothing was chosen.
#include "DatabaseTables.h"
#include "EcuSelection.h"
#include "TableFile.h"
#include "VehicleEntries.h"

#include <QString>

#include <array>
#include <cstdint>

// The version record of the identified vehicle.
struct TVersionRecord {
    QString name;
    std::int32_t systemOffset = -1; // byte offset of the vehicle's first tabVett.dat record
    std::int32_t number2 = -1;
    std::int32_t number3 = -1;
    QString vehicleKey;
    std::int32_t number4 = -1;
};

// Byte offsets into a child table; -1 where nothing is set.
struct TByteRange {
    std::int32_t start = -1;
    std::int32_t end = -1;
};

class TVehicleDatabase {
public:
    static constexpr std::int32_t None = -1;

    // Opens the folder if it can; callers ask Open again for the result.
    explicit TVehicleDatabase(const QString& folder);
    ~TVehicleDatabase();
    TVehicleDatabase(const TVehicleDatabase&) = delete;
    TVehicleDatabase& operator=(const TVehicleDatabase&) = delete;

    // Opens the eight tables of the folder. An open database answers true whatever folder is
    // passed: it is never reopened on another folder. A failed opening leaves every table
    // closed, so the next call starts again from the first.
    bool Open(const QString& folder);
    // Closes every table and forgets every choice.
    void Close();
    // Forgets every choice, list and count, and closes what is open.
    void Clear();

    bool IsOpen() const { return opened_; }
    QString FolderPath() const { return folder_; }
    // The records of a table (a partial record at its end is not counted).
    std::uint32_t RecordCount(VehicleTables::Table table) const { return counts_[table]; }

    std::uint32_t MakerCount() const { return counts_[VehicleTables::Makers]; }
    // The records of the current fuel, model or version range; the whole table while nothing
    // above it is chosen.
    std::uint32_t FuelCount() const;
    std::uint32_t ModelCount() const;
    std::uint32_t VersionCount() const;

    // Readers of record i of the current range (of the table for the makers). The index is
    // bounded by the table's total count only: callers keep it below the range's count. A
    // closed table or an index beyond the table gives a null text or -1; a record cut short by
    // the end of the file gives an empty text or -1.
    QString MakerName(std::uint32_t i);
    std::int32_t FuelCode(std::uint32_t i);
    QString ModelName(std::uint32_t i);
    QString VersionName(std::uint32_t i);

    // Finds the idRiga_Scan.dat record of a scan line in the folder and copies it into out;
    // out is written only when a record matches.
    static bool ReadScanRecord(std::int32_t lineNumber, const QString& folder, EcuSelectionRecord& out);

    // Choosing down the hierarchy. Each choice takes record i of the current range (bounded by
    // the table's end only), resets every choice below it and empties the lists; false when
    // the table is closed, the parent is not chosen or the index lies beyond the table, and
    // then nothing changes.
    bool SelectMaker(std::uint32_t i);
    bool SelectFuel(std::uint32_t i);
    bool SelectModel(std::uint32_t i);
    bool SelectVersion(std::uint32_t i);

    bool IsMakerSelected() const { return makerOffset_ != None; }
    bool IsFuelSelected() const { return models_.start != None; }
    bool IsModelSelected() const { return versions_.start != None; }

    // Reads the version record at the version record offset; the version counts as
    // identified only when the whole record was read.
    void ReadVersionRecord();

    // Identifies the vehicle by its key: resets every choice, reads its identification record
    // (text 1, vehicle type, texts 2 and 3 keep their values when TabIDVet.dat lacks the key)
    // and lands on the first version of the whole table with that key.
    bool ReadVehicleId(const QString& key, QString& text1, std::int32_t& vehicleType, QString& text2,
                       QString& text3);
    // The identified vehicle's key; a null text before identification.
    QString VehicleKey() const;
    const TVersionRecord& VersionRecord() const { return version_; }
    bool IsVersionIdentified() const { return versionIdentified_; }

    // The identified vehicle's systems, sorted by system code; none (nullptr) when no vehicle is
    // identified or tabVett.dat is closed.
    const TPlantList* PlantList();
    // Fixes the ECU range of system i of the plant list; empties the ECU lists.
    bool SelectPlant(std::uint32_t i);

    // Groups the ECU records of the chosen system: records that agree in the four ECU texts
    // form one ECU, shown by its first record; an ECU with more than one record gets
    // part-number and engine-code entries. The ECU list is empty when no system is chosen.
    const TEcuList& BuildEcuLists();
    // The lists as the last BuildEcuLists left them (emptied by every choice above an ECU).
    const TEcuList& EcuList() const { return ecuList_; }
    const TEcuList& PartNumberList() const { return partNumbers_; }
    const TEcuList& EngineCodeList() const { return engineCodes_; }

    // Reads the record of ECU e (through part-number entry p and engine-code entry c when the
    // ECU has those lists; otherwise they are ignored). Nothing changes on false.
    bool SelectEcu(std::uint32_t e, std::uint32_t p, std::uint32_t c);
    // The record that the last successful SelectEcu read, while its lists stand.
    bool GetEcuRecord(EcuSelectionRecord& out) const;

    // The current choice, as the exports and the tests see it.
    std::int32_t MakerRecordOffset() const { return makerOffset_; }
    std::int32_t VersionRecordOffset() const { return versionOffset_; }
    TByteRange FuelRange() const { return fuels_; }
    TByteRange ModelRange() const { return models_; }
    TByteRange VersionRange() const { return versions_; }
    TByteRange EcuRange() const { return ecus_; }
    std::int32_t SelectedPlant() const { return selectedPlant_; }
    std::int32_t SelectedEcu() const { return selectedEcu_; }
    std::int32_t SelectedPartNumber() const { return selectedPartNumber_; }
    std::int32_t SelectedEngineCode() const { return selectedEngineCode_; }

private:
    using Table = VehicleTables::Table;

    std::uint32_t RangeCount(const TByteRange& range, Table table) const;
    // Record i of a range, or of the table while the range is not set.
    std::int64_t RecordPosition(const TByteRange& range, Table table, std::uint32_t i) const;
    QString ReadName(const TByteRange& range, Table table, std::uint32_t i, std::size_t nameOffset);
    // The child range of record number `record` of a parent table, whose link is at linkOffset
    // of each record; false when that record cannot be read.
    bool ReadChildRange(Table table, std::int64_t position, std::uint64_t record, std::size_t linkOffset,
                        TByteRange& range);
    // Whether record i of a child range lies within its table (without wrap-around).
    bool WithinTable(const TByteRange& range, Table table, std::uint32_t i) const;
    bool ReadVersionAt(std::int64_t position, TVersionRecord& out);
    // Resets the selection indexes and empties the four lists.
    void DropLists();
    // Empties the ECU, part-number and engine-code lists and the indexes into them.
    void DropEcuLists();
    void CloseTables();

    TVersionRecord version_;
    EcuSelectionRecord ecuRecord_;
    bool ecuRecordRead_ = false;
    TPlantList plants_;
    TEcuList ecuList_;
    TEcuList partNumbers_;
    TEcuList engineCodes_;
    std::array<TableFile, VehicleTables::TableCount> tables_;
    QString folder_;
    bool versionIdentified_ = false;
    bool opened_ = false;
    std::array<std::uint32_t, VehicleTables::TableCount> counts_{};
    std::int32_t selectedPlant_ = 0;
    std::int32_t selectedEcu_ = 0;
    std::int32_t selectedPartNumber_ = 0;
    std::int32_t selectedEngineCode_ = 0;
    std::int32_t makerOffset_ = None;
    std::int32_t versionOffset_ = None;
    TByteRange fuels_;
    TByteRange models_;
    TByteRange versions_;
    TByteRange ecus_;
    std::array<std::int64_t, VehicleTables::TableCount> sizes_{};
};
