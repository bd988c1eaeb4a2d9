unit "Guard"
