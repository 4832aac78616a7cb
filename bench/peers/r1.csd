<CsoundSynthesizer>
; R1 for Csound, sample-accurate (ksmps = 1): a 441 Hz sine through a moving
; average of 44 samples into an adder whose sum is written to r1.wav and
; delayed by 0.2 s; the delayed signal comes back at half gain into the
; adder. Values on the 16-bit scale, clipped where the scheme's modules clip.
;   csound --omacro:OUT=r1.wav --smacro:DUR=600 r1.csd
<CsOptions>
-n -d -m0
</CsOptions>
<CsInstruments>
sr = 44100
ksmps = 1
nchnls = 1
0dbfs = 32768

instr 1
  aBack init 0
  aTone poscil 32767, 441
  ; moving average: the running sum of the last 44 samples
  aOld delay aTone, 44 / sr
  aSum integ aTone - aOld
  aLow limit aSum / 44, -32768, 32767
  aDelayed delayr 0.2
  aMix limit aLow + aBack, -32768, 32767
  delayw aMix
  aBack limit aDelayed * 0.5, -32768, 32767
  fout "$OUT", 14, aMix
endin
</CsInstruments>
<CsScore>
i1 0 $DUR
</CsScore>
</CsoundSynthesizer>
