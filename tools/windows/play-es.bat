@echo off
rem Starts KORVANTA with the Spanish sounds: the game reads its sounds from the folder it starts in.
start "" /D "%~dp0sounds-es" "%~dp0korvanta.exe"
