// Scratch files for tests that read through the real file layer.
#pragma once
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

struct TempFile {
    explicit TempFile(const std::string& data = "", const char* suffix = "") {
        static int counter = 0;
        path = (std::filesystem::temp_directory_path() /
                ("orvelc-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + suffix))
                   .string();
        Write(data);
    }
    ~TempFile() { std::remove(path.c_str()); }
    void Write(const std::string& data) const {
        std::ofstream f(path, std::ios::binary);
        f << data;
    }
    std::string Read() const {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    std::string path;
};
