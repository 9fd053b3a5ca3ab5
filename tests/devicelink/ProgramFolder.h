#pragma once
// A data folder of its own for one test, with a device program file where the download looks
// for it (krix/krix/dgn<NN>/<NNNN>____.exe), removed again at the end.
#include "EmulatorFrames.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

class ProgramFolder {
public:
    ProgramFolder() {
        static std::atomic<int> counter{0};
        root_ = std::filesystem::temp_directory_path() /
                ("krix_link_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~ProgramFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    // The data folder with its trailing '/', as the link is given it.
    std::string DataDir() const { return root_.string() + "/"; }
    const std::filesystem::path& Root() const { return root_; }

    // A fake program image of the given size for the program number; returns its bytes.
    KrixEmu::Bytes WriteProgram(int program, std::size_t size) {
        KrixEmu::Bytes image(size);
        for (std::size_t i = 0; i < size; ++i)
            image[i] = static_cast<std::uint8_t>((i * 31 + static_cast<std::size_t>(program)) & 0xFF);
        WriteProgramBytes(program, image);
        return image;
    }
    void WriteProgramBytes(int program, const KrixEmu::Bytes& bytes) {
        char relative[64];
        std::snprintf(relative, sizeof relative, "krix/krix/dgn%02d/%04d____.exe", program / 50 + 1, program);
        const std::filesystem::path file = root_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    // What the device must hold after the download: the image and zeros up to a whole block.
    static KrixEmu::Bytes Loaded(KrixEmu::Bytes image, std::size_t blockSize = 512) {
        image.resize((image.size() + blockSize - 1) / blockSize * blockSize, 0);
        return image;
    }

private:
    std::filesystem::path root_;
};
