#pragma once
// Files the benchmarks make once per process, under the temporary folder, and remove at its end.

#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

namespace vovido {

class ScratchFiles {
public:
    // `prefix` names the benchmark program in the files' names.
    explicit ScratchFiles(std::string prefix) : prefix_(std::move(prefix)) {}
    ScratchFiles(const ScratchFiles&) = delete;
    ScratchFiles& operator=(const ScratchFiles&) = delete;
    ~ScratchFiles() {
        for (const auto& entry : made_) std::remove(entry.second.c_str());
    }

    // The path of the file `name`, written with make()'s text the first time it is asked for.
    template <typename Make>
    const std::string& Get(const std::string& name, Make make) {
        auto found = made_.find(name);
        if (found != made_.end()) return found->second;
        const std::string path = "/tmp/vovido_bench_" + prefix_ + "_" + std::to_string(getpid()) + "_" + name;
        const std::string text = make();
        FILE* f = std::fopen(path.c_str(), "wb");
        if (f != nullptr) {
            std::fwrite(text.data(), 1, text.size(), f);
            std::fclose(f);
        }
        return made_.emplace(name, path).first->second;
    }

private:
    std::string prefix_;
    std::map<std::string, std::string> made_;
};

}  // namespace vovido
