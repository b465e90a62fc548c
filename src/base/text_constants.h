// The shell's own texts, as the Shift-JIS bytes the user sees.
#pragma once

namespace mivo {

inline constexpr const char kMivoErrorCaption[] = "Mivo Error";

// The files of the working folder that a setting does not name.
inline constexpr const char kDefaultSettingFile[] = "settings.txt";
inline constexpr const char kDefaultKeyCfgFile[] = "mivo_key.cfg";
inline constexpr const char kDefaultLogFile[] = "LogFile.txt";
inline constexpr const char kDefaultCounterFile[] = "Counter.txt";
// 設定ファイルの読込に失敗しました
inline constexpr const char kSettingsLoadFailed[] =
    "\x90\xdd\x92\xe8\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xcc\x93\xc7\x8d\x9e\x82\xc9\x8e\xb8"
    "\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// キーボードの設定に失敗しました
inline constexpr const char kKeyboardSetupFailed[] =
    "\x83\x4c\x81\x5b\x83\x7b\x81\x5b\x83\x68\x82\xcc\x90\xdd\x92\xe8\x82\xc9\x8e\xb8\x94\x73"
    "\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// タイマーの設定に失敗しました
inline constexpr const char kTimerSetupFailed[] =
    "\x83\x5e\x83\x43\x83\x7d\x81\x5b\x82\xcc\x90\xdd\x92\xe8\x82\xc9\x8e\xb8\x94\x73\x82\xb5"
    "\x82\xdc\x82\xb5\x82\xbd";
// 辞書のオープンに失敗しました
inline constexpr const char kConversionOpenFailed[] =
    "\x8e\xab\x8f\x91\x82\xcc\x83\x49\x81\x5b\x83\x76\x83\x93\x82\xc9\x8e\xb8\x94\x73\x82\xb5"
    "\x82\xdc\x82\xb5\x82\xbd";
// 操作辞書のオープンに失敗しました
inline constexpr const char kPredictionOpenFailed[] =
    "\x91\x80\x8d\xec\x8e\xab\x8f\x91\x82\xcc\x83\x49\x81\x5b\x83\x76\x83\x93\x82\xc9\x8e\xb8"
    "\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd";
// メモリー処理エラー
inline constexpr const char kMemoryError[] =
    "\x83\x81\x83\x82\x83\x8a\x81\x5b\x8f\x88\x97\x9d\x83\x47\x83\x89\x81\x5b";
inline constexpr const char kMemoryErrorCaption[] = "Mivo";

}  // namespace mivo
