#pragma once

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempDir
{
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // Ends with '/'.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// Points the settings database and the storage folder at fresh temporary folders for one test and
// drops the settings instance, so that nothing of the user's own settings is read or written.
class CIsolatedSettings
{
public:
    CIsolatedSettings();
    ~CIsolatedSettings();

    const std::string& ConfigDir() const { return m_config.Path(); }
    // The storage folder (InstallDir), ending with '/'.
    const std::string& StorageDir() const { return m_storage.Path(); }

private:
    // The variables as they were, restored afterwards so that no test leaks into the next.
    struct SavedVariable
    {
        const char* name;
        bool wasSet;
        std::string value;
    };
    std::vector<SavedVariable> m_saved;
    CTempDir m_config;
    CTempDir m_storage;
    CTempDir m_home;
};

// Whole-file helpers for assertions.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
