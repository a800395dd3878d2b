@echo off
rem Installs Quorvane for Task Scheduler: the program in
rem %ProgramFiles%\Quorvane, its list in %ProgramData%\Quorvane (a folder
rem only SYSTEM and the Administrators can change: the task runs as SYSTEM
rem and takes its orders from the list), the event source Quorvane its runs
rem report to, and the task Quorvane, which runs the program every 10
rem minutes. Beside the program go uninstall.cmd and its helper, which
rem Apps & Features runs to uninstall; that folder goes on the system PATH.
rem Run it from a command prompt started as Administrator, in the folder
rem unzipped from the package. Run again, it changes nothing. It takes no
rem switch: given any, it shows its usage and changes nothing.
rem Every program is named by its full path: the package's beside this
rem script, the system's in %SystemRoot%\System32, never one of the same name
rem in the current folder or on the PATH, which may be anyone's.
rem (Failures are read with "if errorlevel": some command interpreters get
rem "||" wrong after a program, a call or an "if".)
setlocal EnableExtensions DisableDelayedExpansion
set "sys=%SystemRoot%\System32"
set "here=%~dp0"

rem Started by a double-click, the script has a window of its own,
rem "cmd.exe /c ""SCRIPT" "", that closes the moment it ends: then it waits
rem for a key at the end, so that what it said can be read.
rem (Its quotes go first: no character of a path can then end a quoted
rem string early.)
set "own_window="
set "started=%CMDCMDLINE:"=%"
call set "rest=%%started:%~f0=%%"
if /i not "%rest%"=="%started%" if /i not "%started: /c =%"=="%started%" set "own_window=1"

if not "%~1"=="" goto Usage
call :Install
set "status=%errorlevel%"
goto End

:Usage
echo Usage: install.cmd
echo Installs Quorvane.exe in %%ProgramFiles%%\Quorvane, to run every 10 minutes
echo as SYSTEM from %%ProgramData%%\Quorvane\Quorvane.list (see README.txt).
echo Run it from a command prompt started as Administrator. It takes no switch.
set "status=1"
if "%~1"=="/?" set "status=0"

:End
if defined own_window pause
exit /b %status%

:Install
rem Both need an elevated prompt; net session also needs the Server service.
"%sys%\fltmc.exe" >nul 2>&1
if errorlevel 1 (
  "%sys%\net.exe" session >nul 2>&1
  if errorlevel 1 (
    echo Run install.cmd from a command prompt started as Administrator.
    exit /b 1
  )
)
for %%F in (Quorvane.exe QuorvaneInstall.exe uninstall.cmd Quorvane.xml Quorvane.list.example) do (
  if not exist "%here%%%F" (
    echo %%F is missing: run install.cmd in the folder unzipped from the package.
    exit /b 1
  )
)

rem The task's command names %ProgramFiles% as a 64-bit cmd sees it.
set "bin=%ProgramFiles%\Quorvane"
if defined ProgramW6432 set "bin=%ProgramW6432%\Quorvane"
set "data=%ProgramData%\Quorvane"
set "list=%data%\Quorvane.list"
set "source=HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Quorvane"
call :NoLink "%bin%"
if errorlevel 1 exit /b 1

echo Copying Quorvane.exe, uninstall.cmd and QuorvaneInstall.exe to "%bin%"
if not exist "%bin%\" mkdir "%bin%"
for %%F in (Quorvane.exe uninstall.cmd QuorvaneInstall.exe) do (
  copy /b /y "%here%%%F" "%bin%\%%F" >nul
  if errorlevel 1 exit /b 1
)

rem Anyone may make a folder in %ProgramData%, so what is found there is
rem trusted only when it is exactly what an install made: else it is moved
rem aside whole, links included (never followed), and made anew with its
rem final permissions in the one step that makes it. In a kept folder,
rem anything an administrator did not make is moved aside. A list is kept
rem only from there; else the sample list is put in place.
rem A task of an earlier version appended its output to a file in that
rem folder by name, as SYSTEM: none stays registered while the folder is
rem judged, nor after an install that fails.
"%sys%\schtasks.exe" /End /TN Quorvane >nul 2>&1
"%sys%\schtasks.exe" /Delete /TN Quorvane /F >nul 2>&1
echo Making "%data%" changeable by SYSTEM and the Administrators only
"%here%QuorvaneInstall.exe" prepare "%data%"
if errorlevel 1 exit /b 1
if not exist "%list%" (
  echo Copying Quorvane.list.example to "%list%"
  copy /b /y "%here%Quorvane.list.example" "%list%" >nul
  if errorlevel 1 exit /b 1
)

rem EventCreate.exe's messages show an event's text as it is.
echo Registering the event source Quorvane in the Application log
"%sys%\reg.exe" add "%source%" /v EventMessageFile /t REG_EXPAND_SZ /d "%%SystemRoot%%\System32\EventCreate.exe" /f >nul
if errorlevel 1 exit /b 1
"%sys%\reg.exe" add "%source%" /v TypesSupported /t REG_DWORD /d 7 /f >nul
if errorlevel 1 exit /b 1

echo Registering the task Quorvane: as SYSTEM, every 10 minutes
"%sys%\schtasks.exe" /Create /XML "%here%Quorvane.xml" /TN Quorvane /F >nul
if errorlevel 1 exit /b 1

rem Apps & Features' Uninstall runs "%bin%\uninstall.cmd"; a prompt opened
rem from now on finds Quorvane.exe. The helper adds the folder to the PATH
rem once, however often the install runs.
"%bin%\QuorvaneInstall.exe" register "%bin%"
if errorlevel 1 exit /b 1

echo.
echo Done. Put your names in the list, one "domain host-name" pair a line:
echo     notepad "%list%"
echo Each run reports to the Application event log, source Quorvane.
exit /b 0

rem Fails, saying so, when %1 is a reparse point (a link or mount point).
:NoLink
set "attributes=%~a1"
if not defined attributes exit /b 0
if not "%attributes:l=%"=="%attributes%" (
  echo %1 is a link or mount point: remove it, then run install.cmd again.
  exit /b 1
)
exit /b 0
