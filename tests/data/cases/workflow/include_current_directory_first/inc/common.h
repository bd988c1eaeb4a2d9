consts { Limit = ; }
