@echo off
rem Tessa Agent: reports to the server named in agent.ini beside it.
for /f "tokens=1,2 delims==" %%a in ('type "%~dp0agent.ini"') do if "%%a"=="server" echo Tessa Agent would report to %%b
