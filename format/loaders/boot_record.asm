; Boot record of a quick-formatted disk (LBA 0), assembled into one 512-byte
; sector: nasm -f bin boot_record.asm
;
; A PC BIOS loads the sector to 0000:7C00 and runs it. The loader moves itself
; to 0000:7E00 to free 7C00 for the partition's boot sector, finds the single
; active partition, reads that partition's first sector to 0000:7C00 and jumps
; there with SI pointing at the partition entry, as boot sectors expect.
;
; Everything stands at a fixed offset: "at" pads with zeros up to the offset,
; and a part that outgrows its room makes the padding negative, which fails
; the assembly.

bits 16
cpu 8086

%define at(offset) times (offset) - ($ - $$) db 0

loadAddress     equ 0x7C00      ; where the BIOS puts us, and where the boot sector goes
runAddress      equ 0x7E00      ; where the loader runs after moving itself
readTries       equ 5
activeFlag      equ 0x80
warmStartFlag   equ 0x0072      ; in the BIOS data segment 0040
biosDataSegment equ 0x0040

; Message numbers: the index into the message table at 0x1B0.
invalidTableMessage  equ 0
notBootableMessage   equ 1
loadErrorMessage     equ 2
missingSystemMessage equ 3
replaceMessage       equ 4

org runAddress

        jmp short loader                ; EB 2E

; Byte 2 is a letter: a reader that tests for EB xx 90 does not take this
; sector for a boot sector and follows the partition table instead.
        db "Quib! Tools", 0

at(0x030)
loader:
        cli
        xor ax, ax
        mov ss, ax
        mov sp, loadAddress
        mov ds, ax
        mov es, ax
        sti
        cld
        mov si, loadAddress
        mov di, runAddress
        mov cx, 256
        rep movsw
        jmp 0:findActive                ; continue in the copy

findActive:
        mov si, partitionTable
        xor bx, bx                      ; the active entry, none yet
        mov cx, 4
.entry:
        cmp byte [si], activeFlag
        jne .next
        mov al, invalidTableMessage
        test bx, bx
        jnz fail                        ; a second active entry
        mov bx, si
.next:
        add si, 16
        loop .entry
        mov al, notBootableMessage
        test bx, bx
        jz fail

        mov si, bx
        mov di, readTries
.read:
        mov dx, [si]                    ; DL: the boot flag as drive number, DH: start head
        mov cx, [si + 2]                ; CL: start sector and cylinder bits 8-9, CH: cylinder
        mov bx, loadAddress
        mov ax, 0x0201                  ; read one sector
        int 0x13
        jnc .loaded
        xor ax, ax                      ; reset the disk before trying again
        int 0x13
        dec di
        jnz .read
        mov al, loadErrorMessage
        jmp short fail
.loaded:
        mov al, missingSystemMessage
        cmp word [loadAddress + 510], 0xAA55
        jne fail
        mov dl, [si]
        jmp 0:loadAddress               ; SI still points at the active entry

; AL: the message number. Shows the message and the replace prompt, waits for
; a key and restarts the machine with a warm start.
fail:
        call print
        mov al, replaceMessage
        call print
        xor ah, ah
        int 0x16
        mov ax, biosDataSegment
        mov ds, ax
        mov word [warmStartFlag], 0x1234
        jmp 0xF000:0xFFF0

; AL: the message number; the table holds each text's offset in this sector.
print:
        xor ah, ah
        shl ax, 1
        mov bx, ax
        mov si, [messageTable + bx]
        add si, runAddress
.char:
        lodsb
        test al, al
        jz .done
        mov ah, 0x0E                    ; teletype output, page 0, colour 7
        mov bx, 0x0007
        int 0x10
        jmp short .char
.done:
        ret

at(0x0E9)
invalidTableText:   db "Invalid partition table", 0
at(0x101)
notBootableText:    db "Disk is not bootable", 0
at(0x116)
loadErrorText:      db "Error loading operating system", 0
at(0x135)
missingSystemText:  db "Missing operating system", 0
at(0x14E)
replaceText:        db 13, 10, "Replace and strike any key when ready", 13, 10, 0

at(0x1AE)
        db 0x0E, 0x02
at(0x1B0)
messageTable:
        dw invalidTableText - $$
        dw notBootableText - $$
        dw loadErrorText - $$
        dw missingSystemText - $$
        dw replaceText - $$
at(0x1BA)
        db 0xDB, 0x9B, 0x7B, 0xE5

at(0x1BE)
partitionTable:                         ; slots 1 to 3 stay empty
at(0x1EE)
        db activeFlag                   ; slot 4: active
        db 1, 1, 0                      ; start: head 1, sector 1, cylinder 0
        db 0x06                         ; FAT16
        db 15, 32, 153                  ; end: head 15, sector 32, cylinder 153
        dd 32                           ; first sector
        dd 78816                        ; number of sectors
at(0x1FE)
        db 0x55, 0xAA
