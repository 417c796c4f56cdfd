#include "TestEnv.h"

#include "model/VigilPrefs.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

CTempDir::CTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "sitevigil-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern + "/";
}

CTempDir::~CTempDir()
{
    std::error_code ec;
    fs::remove_all(m_path, ec);
}

CIsolatedSettings::CIsolatedSettings()
{
    for (const char* name : {"SITEVIGIL_CONFIG_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
        const char* value = std::getenv(name);
        m_saved.push_back({name, value != nullptr, value ? value : ""});
    }
    setenv("SITEVIGIL_CONFIG_DIR", m_config.Path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_home.Path() + "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (m_home.Path() + "data").c_str(), 1);
    CVigilPrefs::ResetInstance();
    CVigilPrefs::GetInstance().WriteString("InstallDir", m_storage.Path());
    // The storage folder is captured when the instance is made: make it again with InstallDir set.
    CVigilPrefs::ResetInstance();
}

CIsolatedSettings::~CIsolatedSettings()
{
    CVigilPrefs::ResetInstance();
    for (const SavedVariable& saved : m_saved) {
        if (saved.wasSet)
            setenv(saved.name, saved.value.c_str(), 1);
        else
            unsetenv(saved.name);
    }
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}
