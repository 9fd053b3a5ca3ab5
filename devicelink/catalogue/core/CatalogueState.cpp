#include "CatalogueState.h"

namespace Catalogue {

std::mutex& StateMutex() {
    static std::mutex m;
    return m;
}

State& LockedState() {
    static State s;
    return s;
}

char TextsLoaded() {
    return WithState([](State& s) { return s.textsLoaded; });
}

QString TextFolder() {
    return WithState([](State& s) { return s.textFolder; });
}

void ForgetCatalogue() {
    WithState([](State& s) {
        s.tables = CatalogueTables();
        s.textFolder.clear();
    });
}

void ReleaseCatalogue() {
    WithState([](State& s) {
        s.textsLoaded = TextsNotLoaded;
        s.tables = CatalogueTables();
        s.databaseTexts = DatabaseTexts();
        s.textFolder.clear();
    });
}

} // namespace Catalogue
