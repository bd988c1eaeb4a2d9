

  consts { Limit = ; }
