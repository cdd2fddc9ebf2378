; The installer corvane_kestor_setup.exe (NSIS 3): it copies the screen saver and its 52 data
; files, and nothing else, into the Windows system folder, as a user would by hand. It writes no
; uninstaller and no registry keys: the settings dialog's uninstall removes the data files, the
; settings file and the log, and the .scr is deleted by hand (README, "Installing on Windows").
; On 64-bit Windows the 32-bit installer's $SYSDIR is the 32-bit programs' system folder.
;   makensis -INPUTCHARSET UTF8 -DSCR=... -DDATA=... -DICON=... -DOUT=... corvane_kestor.nsi
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "corvane KESTOR"
Caption "corvane KESTOR 3Dスクリーンセーバ セットアップ"
OutFile "${OUT}"
Icon "${ICON}"
InstallDir "$SYSDIR"
ShowInstDetails show
BrandingText "corvane KESTOR 1.0"
XPStyle on

LoadLanguageFile "${NSISDIR}\Contrib\Language files\Japanese.nlf"

VIProductVersion "1.0.0.0"
VIFileVersion "1.0.0.0"
VIAddVersionKey /LANG=1041 "ProductName" "corvane KESTOR"
VIAddVersionKey /LANG=1041 "ProductVersion" "1.0"
VIAddVersionKey /LANG=1041 "FileDescription" "corvane KESTOR 3Dスクリーンセーバ セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "1.0"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) 2026 corvane"

Page instfiles

Section "corvane KESTOR"
  SetOutPath "$SYSDIR"
  SetOverwrite on
  File "/oname=corvane_kestor.scr" "${SCR}"
  File "${DATA}/crmd_*"
  File "${DATA}/kestor.txt"
  DetailPrint "$SYSDIR に入れました。"
  DetailPrint "画面のプロパティのスクリーンセーバの一覧から「corvane KESTOR」を選んで下さい。"
SectionEnd
