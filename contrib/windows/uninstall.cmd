@echo off
rem Ends and removes the task Quorvane first, so that nothing runs any more,
rem then removes the program. Run "Quorvane.exe" without arguments before
rem it to take Quorvane's lines out of the hosts file. The list and the log in
rem %ProgramData%\Quorvane stay, for a later install, unless it is run as
rem "uninstall.cmd /all". Run it from a command prompt started as
rem Administrator.
setlocal EnableExtensions DisableDelayedExpansion
fltmc >nul 2>&1
if errorlevel 1 (
  net session >nul 2>&1
  if errorlevel 1 (
    echo Run uninstall.cmd from a command prompt started as Administrator.
    exit /b 1
  )
)
set "bin=%ProgramFiles%\Quorvane"
if defined ProgramW6432 set "bin=%ProgramW6432%\Quorvane"
set "data=%ProgramData%\Quorvane"

echo Removing the task Quorvane
schtasks /End /TN Quorvane >nul 2>&1
schtasks /Delete /TN Quorvane /F >nul 2>&1
echo Removing "%bin%"
if exist "%bin%\Quorvane.exe" del /f /q "%bin%\Quorvane.exe"
if exist "%bin%\" rd "%bin%"
if exist "%bin%\" exit /b 1
if /i not "%~1"=="/all" (
  if exist "%data%\" echo Keeping "%data%": uninstall.cmd /all removes it.
  exit /b 0
)
echo Removing "%data%"
if exist "%data%\" rd /s /q "%data%"
if exist "%data%\" exit /b 1
exit /b 0
