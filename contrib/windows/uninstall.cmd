@echo off
rem Uninstalls Quorvane. First it ends and removes the task Quorvane, so that
rem nothing runs any more and nothing pins a name again; then it runs the
rem installed Quorvane.exe without arguments, the restore, which disables
rem every line of Quorvane's in the hosts file, gives back every entry they
rem took and says how many lines it changed ("uninstall.cmd /keep-lines"
rem leaves the file as it is); then it removes the event source, the Apps &
rem Features entry, the program's folder from the system PATH, and the
rem program with its folder. The list in %ProgramData%\Quorvane stays, for a
rem later install, unless it is run as "uninstall.cmd /all". Any other
rem switch shows its usage and changes nothing.
rem Run it from a command prompt started as Administrator, in the folder
rem unzipped from the package or beside the program, where the install put a
rem copy that Apps & Features runs. Every program is named by its full path,
rem never taken from the current folder or the PATH.
setlocal EnableExtensions DisableDelayedExpansion
set "sys=%SystemRoot%\System32"
set "here=%~dp0"
set "self=%~f0"

rem Started by a double-click or from Apps & Features, the script has a
rem window of its own, "cmd.exe /c ""SCRIPT" "", that closes the moment it
rem ends: then it waits for a key at the end, so that what it said can be
rem read.
rem (Its quotes go first: no character of a path can then end a quoted
rem string early.)
set "own_window="
set "started=%CMDCMDLINE:"=%"
call set "rest=%%started:%~f0=%%"
if /i not "%rest%"=="%started%" if /i not "%started: /c =%"=="%started%" set "own_window=1"

set "keep_lines="
set "all="
:Switches
if "%~1"=="" goto Switched
if /i "%~1"=="/keep-lines" (
  set "keep_lines=/keep-lines"
) else if /i "%~1"=="/all" (
  set "all=/all"
) else (
  goto Usage
)
shift
goto Switches
:Switched
call :Uninstall
set "status=%errorlevel%"
goto End

:Usage
echo Usage: uninstall.cmd [/keep-lines] [/all]
echo Ends and removes the task Quorvane; disables Quorvane's lines in the hosts
echo file and gives back the entries they took; removes the program, its event
echo source, its Apps ^& Features entry and its folder on the PATH.
echo   /keep-lines  leaves the hosts file as it is.
echo   /all         removes %%ProgramData%%\Quorvane and its list too.
echo Run it from a command prompt started as Administrator.
set "status=1"
if "%~1"=="/?" set "status=0"

rem The copy beside the program removes itself last, in one block that cmd
rem reads whole before it runs it: cmd reads a script line by line as it goes.
:End
(
  if defined own_window pause
  if defined remove_self (
    del /f /q "%self%"
    rd "%bin%"
  )
  exit /b %status%
)

:Uninstall
"%sys%\fltmc.exe" >nul 2>&1
if not errorlevel 1 goto Elevated
"%sys%\net.exe" session >nul 2>&1
if not errorlevel 1 goto Elevated
rem Apps & Features and a double-click start it without elevation: in a
rem window of its own it starts itself again, elevated once Windows has
rem asked, and this window ends. (The path and switches go through the
rem environment: no quoting of theirs can break the command.)
if not defined own_window goto NotElevated
set "QUORVANE_UNINSTALL=%self%"
set "QUORVANE_SWITCHES=%keep_lines% %all%"
"%sys%\WindowsPowerShell\v1.0\powershell.exe" -NoProfile -NonInteractive -Command "$q = [char]34; Start-Process -ErrorAction Stop -Verb RunAs -FilePath ($env:SystemRoot + '\System32\cmd.exe') -ArgumentList ('/c ' + $q + $q + $env:QUORVANE_UNINSTALL + $q + ' ' + $env:QUORVANE_SWITCHES + $q)"
if errorlevel 1 goto NotElevated
set "own_window="
exit /b 0
:NotElevated
echo Run uninstall.cmd from a command prompt started as Administrator.
exit /b 1

:Elevated
set "bin=%ProgramFiles%\Quorvane"
if defined ProgramW6432 set "bin=%ProgramW6432%\Quorvane"
set "data=%ProgramData%\Quorvane"
set "helper=%here%QuorvaneInstall.exe"
if not exist "%helper%" set "helper=%bin%\QuorvaneInstall.exe"
if not exist "%helper%" (
  echo QuorvaneInstall.exe is missing: run uninstall.cmd in the folder unzipped from the package.
  exit /b 1
)

echo Removing the task Quorvane
"%sys%\schtasks.exe" /End /TN Quorvane >nul 2>&1
"%sys%\schtasks.exe" /Delete /TN Quorvane /F >nul 2>&1

rem No task is left to pin a name again once the lines are disabled. Should
rem the restore fail, nothing more is removed, so that it can be run again.
if defined keep_lines (
  echo Leaving the hosts file as it is: Quorvane's lines stay.
) else if exist "%bin%\Quorvane.exe" (
  echo Disabling Quorvane's lines in the hosts file, giving back what they took
  "%bin%\Quorvane.exe"
  if errorlevel 1 (
    echo The hosts file was not restored, and nothing more was removed: run
    echo uninstall.cmd again, or uninstall.cmd /keep-lines to leave the lines.
    exit /b 1
  )
) else (
  echo "%bin%\Quorvane.exe" is not there: the hosts file is left as it is.
)

echo Removing the event source Quorvane
"%sys%\reg.exe" delete "HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Quorvane" /f >nul 2>&1
"%helper%" unregister "%bin%"
if errorlevel 1 exit /b 1

rem Only a folder an install made is emptied, through handles, never by a
rem name a folder swapped for a junction could redirect; no link in it is
rem followed, and a folder in it that another account may change is moved
rem aside whole, never entered: what they hold is not the install's.
if defined all (
  echo Removing "%data%"
  "%helper%" remove "%data%"
  if errorlevel 1 exit /b 1
) else if exist "%data%\" (
  echo Keeping "%data%": uninstall.cmd /all removes it.
)

echo Removing "%bin%"
for %%F in (Quorvane.exe QuorvaneInstall.exe) do (
  if exist "%bin%\%%F" del /f /q "%bin%\%%F"
)
if /i "%here%"=="%bin%\" (
  set "remove_self=1"
  exit /b 0
)
if exist "%bin%\uninstall.cmd" del /f /q "%bin%\uninstall.cmd"
if exist "%bin%\" rd "%bin%"
if exist "%bin%\" exit /b 1
exit /b 0
