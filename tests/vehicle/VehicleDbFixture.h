#pragma once
// A test in a working folder of its own, with the generated database ready to be changed and
// written into a vehicle folder.
#include "TVehicleDatabase.h"
#include "VehicleDbWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class VehicleDbTest : public testing::Test {
protected:
    // Writes the tables into the folder and opens a database on it.
    std::unique_ptr<TVehicleDatabase> WriteAndOpen(const std::string& folder = VehicleDb::CarFolder) {
        tables.WriteTo(folder);
        return std::make_unique<TVehicleDatabase>(QString::fromStdString(folder));
    }

    static QString Latin1(const std::string& text) { return QString::fromLatin1(text); }

    VehicleDb::WorkingFolder work;
    VehicleDb::Tables tables = VehicleDb::StandardDatabase();
};
