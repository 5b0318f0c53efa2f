@echo off
rem Runs tunewerk.exe on the folder this file lies in: put user.sdx, vaz3er.ini
rem and 3ci.drc beside it and double-click it. The window stays open at the
rem end so that the last lines can be read.
setlocal
set "here=%~dp0"
rem The folder without its last backslash: a backslash just before a closing
rem quote would keep the quote in the name. "D:" is the root of drive D.
set "folder=%here:~0,-1%"
set "program=%here%tunewerk.exe"
if not exist "%program%" set "program=%here%..\tunewerk.exe"
if not exist "%program%" (
  echo tunewerk.exe is neither beside this file nor in the folder above it.
  set status=1
  goto close
)
"%program%" -C "%folder%"
set status=%errorlevel%
:close
echo.
set /p "unused=Press Enter to close this window."
exit /b %status%
