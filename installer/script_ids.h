// The ids of the setup script that have a fixed role, and the fixed names the installer carries
// itself. Shared by the installation steps, the wizard pages and the bundle tool.
// Only names: reading the script is setup_script.h's business.
#pragma once

namespace velmora::installer::ids {

// Counts and structural entries, looked up without the language offset.
inline constexpr int kMainFileCountMinusOne = 10;  // files 501 … 501+n−1, then readme.txt
inline constexpr int kLanguageFileCount = 11;      // files 601+offset+i
inline constexpr int kDesktopShortcutComment = 12;
inline constexpr int kMenuShortcutCount = 13;  // 701+i target, 801+i comment, 901+i name
inline constexpr int kVersion = 14;
inline constexpr int kDesktopShortcutCount = 15;   // 1001+i target, 1051+i name
inline constexpr int kSubfolderCount = 16;         // 1101+i
inline constexpr int kFirstInstallFileCount = 17;  // 1151+i
inline constexpr int kOpenAfterInstall = 50;
inline constexpr int kOpenOnFinish = 51;
inline constexpr int kConduitFile = 52;
inline constexpr int kRegistryKey = 100;
inline constexpr int kUninstallName = 101;
inline constexpr int kProductFolder = 102;
inline constexpr int kWindowTitle = 104;

inline constexpr int kFirstMainFile = 501;
inline constexpr int kFirstLanguageFile = 601;
inline constexpr int kFirstMenuTarget = 701;
inline constexpr int kFirstMenuComment = 801;
inline constexpr int kFirstMenuName = 901;
inline constexpr int kFirstDesktopTarget = 1001;
inline constexpr int kFirstDesktopName = 1051;
inline constexpr int kFirstSubfolder = 1101;
inline constexpr int kFirstFirstInstallFile = 1151;

// Page texts and messages, looked up with the language offset added.
inline constexpr int kFolderPageTexts[] = {201, 205, 207};
inline constexpr int kLanguagePageTexts[] = {221, 225, 227};
inline constexpr int kModifyPageTexts[] = {241, 243, 245, 247, 249, 251, 253};
inline constexpr int kCopyFailedPrefix = 303;
inline constexpr int kSomethingFailed = 311;
inline constexpr int kCompleted = 313;

}  // namespace velmora::installer::ids

namespace velmora::installer {

inline constexpr const char* kReadmeFile = "readme.txt";
inline constexpr const char* kSampleContactsFile = "SampleContactsDB.mdb";
inline constexpr const char* kWizardTitle = "Tabloom Installer";
inline constexpr const char* kMessageCaption = "Velmora";
inline constexpr const char* kConduitValueName = "Velmora Conduit";
// The installation's handheld tool, which a scheduled run starts.
inline constexpr const char* kDeviceToolFile = "velmora-device";
inline constexpr const char* kAutoStartOnConnectKey =
    "SOFTWARE\\Microsoft\\Windows CE Services\\AutoStartOnConnect";
inline constexpr const char* kAutoStartOnDisconnectKey =
    "SOFTWARE\\Microsoft\\Windows CE Services\\AutoStartOnDisconnect";
inline constexpr const char* kUninstallKeyPrefix = "Software\\Microsoft\\Windows\\CurrentVersion\\";

// A language file's name starts with this many characters (a language code and a separator)
// that the installed copy drops.
inline constexpr int kLanguagePrefixLength = 3;

// Counts read from the script are capped, so that a damaged count cannot start an endless
// run of copies: no id range of the script holds more entries.
inline constexpr int kMaxScriptCount = 100;

}  // namespace velmora::installer
