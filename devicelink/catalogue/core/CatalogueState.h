#pragma once
// The library's catalogue state: whether the texts are loaded, the language folder, and one
// owned table per catalogue file (the code page is CatalogueCodec's). One lock guards it all;
// the link's lock, when held, is always taken before it.
//
// MakerFaultTexts is either a table of its own (the selected maker's fault file) or the very
// table FaultTexts; it is freed once whichever it is.
#include "CatalogueFileCache.h"
#include "TFixedWidthTables.h"
#include "TTextTable.h"

#include <QString>

#include <memory>
#include <mutex>
#include <utility>

namespace Catalogue {

constexpr char TextsNotLoaded = 'Z';
constexpr char TextsReady = 'P';

// The twelve catalogue tables, and the stored files read anew at each use. The tables of the
// files that are also read anew are shared with those reads while the files stay unchanged.
struct CatalogueTables {
    std::unique_ptr<TEcuTextTable> ecuTexts;
    std::shared_ptr<TItemTextTable> activationTexts;
    std::unique_ptr<TErrorTextTable> faultTexts;
    std::unique_ptr<TErrorTextTable> ownMakerFaultTexts; // null: the maker's texts are FaultTexts
    std::shared_ptr<TItemTextTable> infoTexts;
    std::shared_ptr<TItemTextTable> parameterTexts;
    std::shared_ptr<TItemTextTable> statusTexts;
    std::unique_ptr<TTextTable> statusValueTexts;
    std::shared_ptr<TTextTable> unitTexts;
    std::unique_ptr<TTextTable> activationKinds;
    std::unique_ptr<TTextTable> messageTexts;
    std::unique_ptr<TTextTable> keyTexts;
    CatalogueFileCache files;

    TErrorTextTable* MakerFaultTexts() const {
        return ownMakerFaultTexts ? ownMakerFaultTexts.get() : faultTexts.get();
    }
};

// The three texts of the vehicle database.
struct DatabaseTexts {
    std::unique_ptr<TTextTable> fuelTexts;
    std::unique_ptr<TTextTable> plantTexts;
    std::unique_ptr<TTextTable> dbTexts;
};

struct State {
    char textsLoaded = TextsNotLoaded;
    QString textFolder; // "text/<language id>/", relative to the working folder; empty: none
    CatalogueTables tables;
    DatabaseTexts databaseTexts;
};

std::mutex& StateMutex();
// Only with StateMutex held.
State& LockedState();

// Runs f(State&) under the catalogue's lock.
template <typename F> decltype(auto) WithState(F&& f) {
    std::lock_guard lock(StateMutex());
    return std::forward<F>(f)(LockedState());
}

char TextsLoaded();
QString TextFolder();

// A new driver thread: the catalogue tables go and the language folder is forgotten, so the
// host loads the texts again for the ECU it chooses.
void ForgetCatalogue();
// The driver thread's end: the texts count as not loaded, every catalogue and database text
// table is freed and the language folder forgotten.
void ReleaseCatalogue();

} // namespace Catalogue
