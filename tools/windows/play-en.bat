@echo off
rem Starts KORVANTA with the English sounds: the game reads its sounds from the folder it starts in.
start "" /D "%~dp0sounds" "%~dp0korvanta.exe"
