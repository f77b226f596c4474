REM 円→点変換
REM #jww
REM #cd
REM #zz
REM #zw
REM #hc 点に変換する円・円弧・楕円・円ソリッドを含む範囲を選択してください
REM #ht10
REM #e
@echo off
start /w q836.exe
