@echo off
rem Ends and removes the task Quorvane first, so that nothing runs any more,
rem then removes the program. Run "Quorvane.exe" without arguments before
rem it to take Quorvane's lines out of the hosts file. The event source goes
rem too; the list in %ProgramData%\Quorvane stays, for a later install,
rem unless it is run as "uninstall.cmd /all". Run it from a command prompt
rem started as Administrator, in the folder unzipped from the package. Every
rem program is named by its full path, never taken from the current folder
rem or the PATH.
setlocal EnableExtensions DisableDelayedExpansion
set "sys=%SystemRoot%\System32"
set "here=%~dp0"
"%sys%\fltmc.exe" >nul 2>&1
if errorlevel 1 (
  "%sys%\net.exe" session >nul 2>&1
  if errorlevel 1 (
    echo Run uninstall.cmd from a command prompt started as Administrator.
    exit /b 1
  )
)
set "bin=%ProgramFiles%\Quorvane"
if defined ProgramW6432 set "bin=%ProgramW6432%\Quorvane"
set "data=%ProgramData%\Quorvane"

echo Removing the task Quorvane
"%sys%\schtasks.exe" /End /TN Quorvane >nul 2>&1
"%sys%\schtasks.exe" /Delete /TN Quorvane /F >nul 2>&1
echo Removing the event source Quorvane
"%sys%\reg.exe" delete "HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Quorvane" /f >nul 2>&1
echo Removing "%bin%"
if exist "%bin%\Quorvane.exe" del /f /q "%bin%\Quorvane.exe"
if exist "%bin%\" rd "%bin%"
if exist "%bin%\" exit /b 1
if /i not "%~1"=="/all" (
  if exist "%data%\" echo Keeping "%data%": uninstall.cmd /all removes it.
  exit /b 0
)
rem Only a folder an install made is emptied, through handles, never by a
rem name a folder swapped for a junction could redirect; no link in it is
rem followed, and a folder in it that another account may change is moved
rem aside whole, never entered: what they hold is not the install's.
echo Removing "%data%"
if not exist "%here%QuorvaneInstall.exe" (
  echo QuorvaneInstall.exe is missing: run uninstall.cmd in the folder unzipped from the package.
  exit /b 1
)
"%here%QuorvaneInstall.exe" remove "%data%"
if errorlevel 1 exit /b 1
exit /b 0
