<CsoundSynthesizer>
; R63 for Csound, sample-accurate (ksmps = 1): six echo chains (generator,
; high-pass filter, nonlinearity, adder looped through a delay and a feedback
; gain, moving-average low-pass filter) and two sweep chains (a ramp driving
; a sine's frequency, shaped by an envelope, low-pass and high-pass filter),
; summed at half gain four into the left and four into the right channel of
; $CD; the sum of both channels goes to $TAPE. Values on the 16-bit scale,
; clipped where the scheme's modules clip.
;   csound --omacro:CD=cd.wav --omacro:TAPE=tape.wav --smacro:DUR=600 r63.csd
<CsOptions>
-n -d -m0
</CsOptions>
<CsInstruments>
sr = 44100
ksmps = 1
nchnls = 2
0dbfs = 32768

; wave shapes of the generators: sine, square, triangle, falling and rising saw
giShape[] fillarray \
  ftgen(0, 0, 8192, 10, 1), \
  ftgen(0, 0, 8192, 7, 1, 4096, 1, 0, -1, 4096, -1), \
  ftgen(0, 0, 8192, 7, 0, 2048, 1, 4096, -1, 2048, 0), \
  ftgen(0, 0, 8192, 7, 1, 8192, -1), \
  ftgen(0, 0, 8192, 7, -1, 8192, 1)
; transfer curves of the nonlinearities over the input -1 .. 1
giSoft ftgen 0, 0, 257, "tanh", -3, 3, 0
giFold ftgen 0, 0, 257, 7, 0, 64, -1, 128, 1, 64, 0
; the plucked envelope: 40 points over the run
giPluck ftgen 0, 0, -40, -2, 0, 100, 88, 78, 69, 61, 54, 47, 42, 37, 32, 29, 25, 22, 20, 17, 15, 14, \
  12, 11, 9, 8, 7, 7, 6, 5, 5, 4, 4, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1

opcode Clip, a, a
  aX xin
  xout limit(aX, -32768, 32767)
endop

; moving average over sr / Fs samples
opcode LowPass, a, ai
  aX, iFs xin
  iN = int(sr / iFs)
  aOld delay aX, iN / sr
  aSum integ aX - aOld
  xout Clip(aSum / iN)
endop

; x + Kd (x - previous x), Kd = sr / (3 Fl), then the gain
opcode HighPass, a, aii
  aX, iFl, iGain xin
  iKd = sr / (3 * iFl)
  aPrev delay1 aX
  xout Clip(((1 + iKd) * aX - iKd * aPrev) * iGain)
endop

opcode EchoChain, a, iiiiiiii
  iShape, iFreq, iFl, iFold, iDelay, iFeedback, iInvert, iFs xin
  aBack init 0
  ; the sine follows the gain of 30 %, the other shapes are full scale
  iAmp = (iShape == 0 ? 0.3 : 1) * 32767
  aTone Clip poscil(iAmp, iFreq, giShape[iShape])
  aHigh HighPass aTone, iFl, 0.15
  aIndex = (aHigh / 32768 + 1) / 2
  if iFold == 1 then
    aShaped tablei aIndex, giFold, 1
  else
    aShaped tablei aIndex, giSoft, 1
    aShaped = aShaped / tanh(3)
  endif
  aDelayed delayr iDelay
  aMix Clip aShaped * 32767 + aBack
  delayw aMix
  aBack Clip aDelayed * iFeedback * (iInvert == 1 ? -1 : 1)
  xout LowPass(aMix, iFs)
endop

opcode SweepChain, a, ii
  iFmax, iFs xin
  aRamp line 0, p3, 156 * 163.83
  aEnv tablei line:a(0, p3, 39), giPluck
  aSweep poscil 0.3 * 32767, aRamp * iFmax / 32768
  aTimes Clip aSweep * aEnv * 163.83 / 32767
  xout HighPass(LowPass(aTimes, iFs), 2000, 0.2)
endop

opcode Sum, a, aa
  a1, a2 xin
  xout Clip((a1 + a2) * 0.5)
endop

instr 1
  a0 EchoChain 0, 110, 3000, 0, 0.11, 0.50, 0, 4000
  a1 EchoChain 1, 220, 5000, 1, 0.17, 0.40, 1, 6000
  a2 EchoChain 2, 330, 4000, 0, 0.23, 0.60, 0, 3000
  a3 SweepChain 2000, 3000
  a4 EchoChain 3, 165, 6000, 1, 0.29, 0.45, 1, 5000
  a5 EchoChain 4, 275, 3500, 0, 0.31, 0.55, 0, 8000
  a6 EchoChain 0, 440, 4500, 1, 0.37, 0.35, 0, 2500
  a7 SweepChain 1200, 5000
  aLeft Sum Sum(a0, a1), Sum(a2, a3)
  aRight Sum Sum(a4, a5), Sum(a6, a7)
  fout "$CD", 14, aLeft, aRight
  fout "$TAPE", 14, Sum(aLeft, aRight)
endin
</CsInstruments>
<CsScore>
i1 0 $DUR
</CsScore>
</CsoundSynthesizer>
