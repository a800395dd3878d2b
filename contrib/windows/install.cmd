@echo off
rem Installs Quorvane for Task Scheduler: the program in
rem %ProgramFiles%\Quorvane, its list and log in %ProgramData%\Quorvane
rem (a folder only SYSTEM and the Administrators can change: the task runs as
rem SYSTEM and takes its orders from the list), and the task Quorvane, which
rem runs the program every 10 minutes. Run it from a command prompt started
rem as Administrator, in the folder unzipped from the package. Run again, it
rem changes nothing, or puts back what was changed.
rem (Failures are read with "if errorlevel": some command interpreters get
rem "||" wrong after a program, a call or an "if".)
setlocal EnableExtensions DisableDelayedExpansion
cd /d "%~dp0"

rem Both need an elevated prompt; net session also needs the Server service.
fltmc >nul 2>&1
if errorlevel 1 (
  net session >nul 2>&1
  if errorlevel 1 (
    echo Run install.cmd from a command prompt started as Administrator.
    exit /b 1
  )
)
for %%F in (Quorvane.exe Quorvane.xml Quorvane.list.example) do (
  if not exist "%%F" (
    echo %%F is missing: run install.cmd in the folder unzipped from the package.
    exit /b 1
  )
)

rem The task's command names %ProgramFiles% as a 64-bit cmd sees it.
set "bin=%ProgramFiles%\Quorvane"
if defined ProgramW6432 set "bin=%ProgramW6432%\Quorvane"
set "data=%ProgramData%\Quorvane"
set "list=%data%\Quorvane.list"
set "log=%data%\Quorvane.log"
call :NoLink "%bin%"
if errorlevel 1 exit /b 1
call :NoLink "%data%"
if errorlevel 1 exit /b 1

echo Copying Quorvane.exe to "%bin%"
if not exist "%bin%\" mkdir "%bin%"
copy /b /y Quorvane.exe "%bin%\Quorvane.exe" >nul
if errorlevel 1 exit /b 1

rem A folder that was there before may have been made by anyone, with any
rem entries, or be a link elsewhere: it is made the Administrators' own,
rem with only SYSTEM and the Administrators allowed to change anything in
rem it, before anything in it is trusted. A folder made here has the
rem entries of ProgramData, which let Users add files, until it is secured:
rem anything found in it then was put there in between.
echo Making "%data%" changeable by SYSTEM and the Administrators only
set made=
if not exist "%data%\" (
  mkdir "%data%"
  set made=1
)
if not exist "%data%\" exit /b 1
call :Secure "%data%" (OI)(CI)
if errorlevel 1 exit /b 1
call :NoLink "%data%"
if errorlevel 1 exit /b 1
set found=
if defined made for /f "delims=" %%E in ('dir /b /a "%data%" 2^>nul') do set found=1
if defined found (
  echo Files appeared in "%data%" while it was being made: it is removed.
  echo Run install.cmd again.
  rd /s /q "%data%"
  exit /b 1
)

rem The list and the log are written anew in the secured folder: whatever
rem they were before (a second name of another file, a link, someone
rem else's) is gone, and the new files are the Administrators' own.
for %%F in ("%list%" "%log%") do (
  call :NoLink %%F
  if errorlevel 1 exit /b 1
  if exist %%F (
    echo Keeping %%~F, now changeable by SYSTEM and the Administrators only
    copy /b /y %%F "%data%\install.tmp" >nul
    if errorlevel 1 exit /b 1
    move /y "%data%\install.tmp" %%F >nul
    if errorlevel 1 exit /b 1
    call :Secure %%F
    if errorlevel 1 exit /b 1
  )
)
if not exist "%list%" (
  echo Copying Quorvane.list.example to "%list%"
  copy /b /y Quorvane.list.example "%list%" >nul
  if errorlevel 1 exit /b 1
  call :Secure "%list%"
  if errorlevel 1 exit /b 1
)

echo Registering the task Quorvane: as SYSTEM, every 10 minutes
schtasks /Create /XML Quorvane.xml /TN Quorvane /F >nul
if errorlevel 1 exit /b 1

echo.
echo Done. Put your names in the list, one "domain host-name" pair a line:
echo     notepad "%list%"
echo Each run appends what it printed to "%log%".
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

rem Gives %1 the Administrators as owner and, in place of every entry it
rem had or inherited, full control for SYSTEM and the Administrators and
rem read for Users; %2 passes the entries on to what a folder holds.
rem takeown first takes what its owner shut the Administrators out of.
:Secure
takeown /f %1 /a >nul 2>&1
icacls %1 /setowner *S-1-5-32-544 /q >nul
if errorlevel 1 exit /b 1
icacls %1 /inheritance:r /grant:r *S-1-5-18:%2F *S-1-5-32-544:%2F *S-1-5-32-545:%2RX /q >nul
if errorlevel 1 exit /b 1
exit /b 0
