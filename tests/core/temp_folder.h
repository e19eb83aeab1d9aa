#pragma once
// A scratch folder under /tmp for tests that write files; removed with
// everything in it when the object goes.

#include <dirent.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder()
    {
        char name[] = "/tmp/ringtide-test-XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~TempFolder() { removeAll(); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    void removeAll()
    {
        const std::string cmd = "rm -rf '" + path_ + "'";
        [[maybe_unused]] int rc = std::system(cmd.c_str());
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        if (DIR* d = ::opendir(path_.c_str())) {
            while (dirent* e = ::readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    names.push_back(e->d_name);
            ::closedir(d);
        }
        return names;
    }

private:
    std::string path_;
};
